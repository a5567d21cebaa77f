#pragma once

#include <QString>

// Writing a laid-out report: PDF (A4, the text's font embedded) or HTML, by
// the file name's ending; whole or not at all.
namespace report {

enum class Format { Pdf, Html, Unknown };

// By the name's ending, .pdf or .html (any case).
Format format_of(const QString &path);

// The PDF of an HTML document, laid out on A4 pages in DejaVu Sans.
QByteArray pdf_bytes(const QString &html, const QString &title);

// Writes html to path in the format its name asks for. 0 on success;
// otherwise nonzero with the reason in *error.
int save_report(const QString &path, const QString &html, const QString &title, QString *error);

}  // namespace report
