#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

// Keeps track of a file whose writes may fail: each change between
// failing and writing again is told once on standard error (with the
// number of writes lost when writing recovers) and to a listener, such as
// the status bar. Nothing else is ever told, however many writes fail.
// Each change is a program event ("<kind>-failing", "<kind>-recovered"; see
// ProgramEvents.h): its line goes to the journal instead when there is one.
class WriteFailures {
public:
    // `subject` names what is written ("ログ"), `unit` one write of it ("行"),
    // `kind` its events ("log").
    WriteFailures(QString subject, QString unit, QByteArray kind)
        : m_subject(std::move(subject)), m_unit(std::move(unit)), m_kind(std::move(kind))
    {
    }

    // The outcome of one write of `count` units to `path`: 0, an errno
    // value or NotARegularFile.
    void note(int error, const QString &path, uint64_t count = 1) noexcept
    {
        if (error != 0 || m_failing) // a write that succeeds as the last one did changes nothing
            noteChange(error, path, count);
    }

    void setFailingChanged(std::function<void(bool failing)> listener) { m_failingChanged = std::move(listener); }
    bool failing() const { return m_failing; }
    // The units lost since the program started.
    uint64_t lostTotal() const { return m_lostTotal; }

private:
    void noteChange(int error, const QString &path, uint64_t count) noexcept;

    QString m_subject;
    QString m_unit;
    QByteArray m_kind;
    uint64_t m_lostTotal = 0;
    bool m_failing = false;
    uint64_t m_lost = 0; // since writes started failing
    std::function<void(bool)> m_failingChanged;
};
