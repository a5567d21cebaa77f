// The firmware file reader: the text split into lines, the same bytes read
// from a file through the file dialog seam, and the lines as they go to the
// loader, handed to a simulated unit's loader.
#include "common/user_dialogs.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_transfer.h"
#include "fuzz_support.h"
#include "loader.h"
#include "unit.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

// Answers the file dialog with one path; no other dialog is expected.
class OneFileDialogs : public UserDialogs {
public:
    explicit OneFileDialogs(const QString &path) : m_path(path) {}
    int message(MessageKind, const QString &, const QString &, int, const QString & = QString()) override
    {
        return OkButton;
    }
    QString openFileName(const FileDialogOptions &) override { return m_path; }
    QString saveFileName(const FileDialogOptions &) override { return QString(); }
    std::unique_ptr<ProgressDialog> progress(const ProgressOptions &) override { return nullptr; }
    void terminate(int) override {}

private:
    QString m_path;
};

QTemporaryDir *temp_dir = nullptr;

void check_loader_replies(sim::Unit &unit, sim::Usec now)
{
    for (const sim::Chunk &c : unit.take_due(now)) {
        FUZZ_CHECK(c.bytes.size() == 1);
        const quint8 b = quint8(c.bytes[0]);
        // A file the program takes holds only records the loader takes.
        FUZZ_CHECK(b == sim::kLoaderReady || b == sim::kLoaderDone);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quiet_qt();
    temp_dir = new QTemporaryDir;
    if (!temp_dir->isValid())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytes_of(data, size);
    const QStringList untouched{QStringLiteral("untouched")};
    QStringList lines = untouched;
    const int result = split_firmware_text(bytes, &lines);
    FUZZ_CHECK(result == 0 || result == 3);
    if (result != 0) {
        FUZZ_CHECK(lines == untouched);
    } else {
        FUZZ_CHECK(!lines.isEmpty());
        qsizetype chars = 0;
        for (const QString &line : lines) {
            FUZZ_CHECK(line.size() >= 4 && line.startsWith(QLatin1Char(':')));
            FUZZ_CHECK(!line.contains(QLatin1Char('\n')));
            chars += line.size();
        }
        // Only the line ends are dropped: one LF per line but perhaps the
        // last, and at most one CR before each LF.
        FUZZ_CHECK(chars + bytes.count('\n') <= bytes.size());
        FUZZ_CHECK(chars + 2 * bytes.count('\n') >= bytes.size());
    }

    // The file reader gives the same answer as the text it reads.
    const QString path = temp_dir->filePath(QStringLiteral("image.hex"));
    {
        // A new file each time: ext4 flushes a file truncated and rewritten
        // on close, which would make every input wait for the disk.
        QFile::remove(path);
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    OneFileDialogs dialogs(path);
    cDataFile reader(dialogs);
    FUZZ_CHECK(reader.read_firmware_file() == result);
    if (result == 0)
        FUZZ_CHECK(reader.lines == lines);
    else
        FUZZ_CHECK(firmware_file_error_text(result).size() > 0);

    if (result != 0)
        return 0;
    sim::Unit unit(1);
    sim::Usec now = 0;
    unit.feed(firmware::entry_frame(), now, firmware::kLoaderBaud);
    now += sim::msec(10);
    check_loader_replies(unit, now);
    FUZZ_CHECK(unit.in_loader());
    for (const QString &line : lines) {
        unit.feed(firmware::line_frame(line), now, firmware::kLoaderBaud);
        now += sim::msec(10);
        check_loader_replies(unit, now);
    }
    return 0;
}
