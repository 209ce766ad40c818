// Qt's own dialogs in the desktop's language: the save dialog of "uložit …"
// reads Czech under a Czech locale and stays as Qt writes it elsewhere.

#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// The captions of a non-native save dialog's buttons, without their
// keyboard marks.
QStringList saveDialogButtons() {
    QFileDialog dialog(nullptr, QString::fromUtf8("uložit data"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList captions;
    for (const QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (qobject_cast<QDialogButtonBox*>(button->parentWidget()) == nullptr) continue;
        captions << button->text().remove(QLatin1Char('&'));
    }
    captions.sort();
    return captions;
}

TEST(QtTranslations, TheSaveDialogSpeaksTheLocalesLanguage) {
    const struct {
        const char* locale; // as LANG names it
        bool czech;         // Qt has a Czech translation; English needs none
        QStringList buttons;
    } table[] = {
        {"cs_CZ.UTF-8", true, {QString::fromUtf8("Uložit"), QString::fromUtf8("Zrušit")}},
        {"cs_CZ", true, {QString::fromUtf8("Uložit"), QString::fromUtf8("Zrušit")}},
        {"en_US.UTF-8", false, {QStringLiteral("Cancel"), QStringLiteral("Save")}},
        {"C", false, {QStringLiteral("Cancel"), QStringLiteral("Save")}},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.locale);
        const std::unique_ptr<QTranslator> translator =
            qtTranslations(QLocale(QString::fromLatin1(c.locale)));
        if (c.czech) {
            EXPECT_NE(translator, nullptr);
        }
        if (translator) QCoreApplication::installTranslator(translator.get());
        EXPECT_EQ(saveDialogButtons(), c.buttons);
        if (translator) QCoreApplication::removeTranslator(translator.get());
    }
}

} // namespace
