#include "qt_translations.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>

QtTextsOnly::QtTextsOnly(std::unique_ptr<QTranslator> catalogue, QObject *parent)
    : QTranslator(parent), m_catalogue(std::move(catalogue))
{
}

QString QtTextsOnly::translate(const char *context, const char *source_text, const char *disambiguation,
                               int n) const
{
    const bool qt_class = context && context[0] == 'Q' && context[1] >= 'A' && context[1] <= 'Z';
    return qt_class ? m_catalogue->translate(context, source_text, disambiguation, n) : QString();
}

bool QtTextsOnly::isEmpty() const
{
    return m_catalogue->isEmpty();
}

QTranslator *install_qt_translations()
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto catalogue = std::make_unique<QTranslator>();
    if (!catalogue->load(QStringLiteral("qtbase_ru"), folder)) {
        qWarning() << "Qt's Russian translations (qtbase_ru.qm) are not in" << folder;
        return nullptr;
    }
    auto *translator = new QtTextsOnly(std::move(catalogue), QCoreApplication::instance());
    QCoreApplication::installTranslator(translator);
    return translator;
}
