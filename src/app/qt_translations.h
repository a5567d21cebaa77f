#pragma once

#include <QTranslator>
#include <memory>

// Qt's own texts in Russian: the standard buttons ("Да", "Отмена",
// "Сохранить") and the file dialogs read as the rest of the window. Only the
// lookups of Qt's classes (contexts "Q" and a capital) reach the catalogue,
// so the program's own texts stay as they are written, whatever it holds.
class QtTextsOnly : public QTranslator {
public:
    explicit QtTextsOnly(std::unique_ptr<QTranslator> catalogue, QObject *parent = nullptr);

    QString translate(const char *context, const char *source_text, const char *disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override;

private:
    std::unique_ptr<QTranslator> m_catalogue;
};

// Loads qtbase_ru from Qt's translations folder and installs it on the
// application, which owns it; null (with a warning) when it is not there.
QTranslator *install_qt_translations();
