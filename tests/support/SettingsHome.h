#pragma once
// Tests that read or write the settings file: XDG_CONFIG_HOME points to a
// directory of the test's own for its duration, so that the user's settings
// are never touched.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class SettingsHome : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        previous = qgetenv("XDG_CONFIG_HOME");
        hadPrevious = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    }
    void TearDown() override {
        if (hadPrevious)
            qputenv("XDG_CONFIG_HOME", previous);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    QString file() const { return home.path() + "/zo7scope/zo7scope.conf"; }
    void write(const QByteArray& text) {
        QDir().mkpath(home.path() + "/zo7scope");
        QFile out(file());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(text);
    }
    QByteArray read() const {
        QFile in(file());
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QTemporaryDir home;
    QByteArray previous;
    bool hadPrevious = false;
};
