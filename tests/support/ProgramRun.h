#pragma once
// Runs the built program and collects its exit status and output. `inChild`
// runs in the new process before the program starts (limits, permissions).

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

// The built program. ZO7SCOPE_PROGRAM, defined for the test programs that
// run it, names it relative to the test program's folder, so that the
// tests' compiler options do not name the folder the build lies in.
inline QString programPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/" ZO7SCOPE_PROGRAM);
}

struct ProgramRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

inline ProgramRun
runProgram(const QStringList& arguments,
           QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
           const std::function<void()>& inChild = {}) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (inChild) process.setChildProcessModifier(inChild);
    process.start(programPath(), arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "the program did not end: " << arguments.join(' ').toStdString();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// The environment of a run without a display.
inline QProcessEnvironment headless() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

// Lines of a program's diagnostic output, without the toolkit's own notes.
inline QStringList ownLines(const QByteArray& text) {
    QStringList lines;
    for (const QString& line : QString::fromLocal8Bit(text).split('\n', Qt::SkipEmptyParts))
        if (!line.startsWith(QLatin1String("QStandardPaths:"))) lines << line;
    return lines;
}
