#pragma once

#include "core/Clock.h"
#include "core/MessageBoxService.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

// A clock that shows a fixed time and does not wait.
class FixedClock final : public Clock {
public:
    LocalTime time {2024, 1, 5, 9, 3, 7, 50};
    int slept = 0; // milliseconds asked for in all
    LocalTime now() const override { return time; }
    void sleepMs(int milliseconds) override { slept += milliseconds; }
};

// Records every message box and answers each with `answer`.
class FakeMessageBoxes final : public MessageBoxService {
public:
    struct Shown {
        QString text;
        int style = 0;
        QString title;
    };
    QList<Shown> shown;
    MsgBoxResult answer = MsgBoxResult::Ok;

    MsgBoxResult msgBox(const QString &text, MsgBoxStyles style, const QString &title = {}) override
    {
        shown.append({text, style.toInt(), title});
        return answer;
    }
    QStringList texts() const
    {
        QStringList result;
        for (const Shown &s : shown)
            result << s.text;
        return result;
    }
};

namespace testsupport {

// `size` bytes that differ from their neighbours: byte i is i * 7 + seed.
QByteArray pattern(int size, int seed = 0);

// Whole-file helpers for tests working on real files; writeFile replaces
// what is there and says whether every byte was written.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
// The lines of a code page 932 file split at CR LF, decoded; the text
// after the last CR LF (normally empty) is dropped.
QStringList readLogLines(const QString &path);
// The message field of each log line (after code, date, time and host).
QStringList logMessages(const QString &path);

} // namespace testsupport
