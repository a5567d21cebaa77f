#include "report_file.h"

#include "common/user_files.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace report {

Format format_of(const QString &path)
{
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return Format::Pdf;
    if (path.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive))
        return Format::Html;
    return Format::Unknown;
}

QByteArray pdf_bytes(const QString &html, const QString &title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("mirval"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        writer.setResolution(300);
        QTextDocument document;
        // Cyrillic in every text: DejaVu Sans has it, and the PDF carries the
        // glyphs it uses.
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(9);
        document.setDefaultFont(font);
        document.setHtml(html);
        document.print(&writer);
    }
    return buffer.data();
}

int save_report(const QString &path, const QString &html, const QString &title, QString *error)
{
    switch (format_of(path)) {
    case Format::Pdf:
        return save_user_file(path, pdf_bytes(html, title), error);
    case Format::Html:
        return save_user_file(path, html.toUtf8(), error);
    case Format::Unknown:
        break;
    }
    *error = QStringLiteral("отчёт пишется в файл .pdf или .html");
    return 1;
}

}  // namespace report
