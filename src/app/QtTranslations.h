#pragma once
// Qt's own texts (the buttons and labels of the file dialogs, the standard
// buttons of message boxes) in the desktop's language. The program's own
// texts are Czech whatever the desktop speaks.

#include <QLocale>
#include <QTranslator>
#include <memory>

// Qt's translation for `locale` from the system's Qt translations
// (qtbase_<language>.qm of qt6-translations-l10n), not yet installed; none
// when there is no translation for that language.
std::unique_ptr<QTranslator> qtTranslations(const QLocale& locale);
