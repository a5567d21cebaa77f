#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// One event-log record: when, and the state flags of channels 1..4.
struct LogRecord {
    quint32 time = 0;  // unit time; 0 marks the end of the log
    quint8 flags[4] = {0, 0, 0, 0};
};

// Record from a decoded answer of kGetLogRecord: bytes 1..4 time, bytes 5..8
// the flags of channels 1..4; missing bytes read 0.
LogRecord log_record_from(const QByteArray &answer);

// Texts of one channel's flag byte, e.g. "ДК. Корпус вскрыт. Норма.".
QString log_flag_text(quint8 flags);

// The record's four lines, channels 1..4: "<DATE>  [k]: <flag texts>".
QStringList log_lines(const LogRecord &record);

// Log text file content: each line in UTF-8 followed by LF, no BOM.
QByteArray log_file_bytes(const QStringList &lines);
