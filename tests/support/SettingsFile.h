#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace testsupport {

// The program's settings file, built key by key and laid out as the sample
// file is: [Port], a blank line, [Maintenance]; lines end in CR LF; the
// text is code page 932. Every key holds the sample's value (UdpPort=47808,
// ResSetting=1, LogMaxSize=3, LogGenerations=10; Capture left out) until
// it is set. A key set to std::nullopt is left out; an empty text is
// written as an empty value.
class SettingsFile {
public:
    using Value = std::optional<QString>;

    SettingsFile &udpPort(Value value) { return set(UdpPort, std::move(value)); }
    SettingsFile &udpPort(int value) { return set(UdpPort, QString::number(value)); }
    SettingsFile &resSetting(Value value) { return set(ResSetting, std::move(value)); }
    SettingsFile &resSetting(int value) { return set(ResSetting, QString::number(value)); }
    SettingsFile &logMaxSize(Value value) { return set(LogMaxSize, std::move(value)); }
    SettingsFile &logMaxSize(int value) { return set(LogMaxSize, QString::number(value)); }
    SettingsFile &logGenerations(Value value) { return set(LogGenerations, std::move(value)); }
    SettingsFile &logGenerations(int value) { return set(LogGenerations, QString::number(value)); }
    SettingsFile &capture(Value value) { return set(Capture, std::move(value)); }

    QByteArray text() const;
    // Writes the text to `path`, replacing what is there; false when it
    // could not.
    bool writeTo(const QString &path) const;

private:
    enum Key { UdpPort, ResSetting, LogMaxSize, LogGenerations, Capture, KeyCount };

    SettingsFile &set(Key key, Value value)
    {
        m_values[key] = std::move(value);
        return *this;
    }

    std::array<Value, KeyCount> m_values {QStringLiteral("47808"), QStringLiteral("1"), QStringLiteral("3"),
                                          QStringLiteral("10"), std::nullopt};
};

} // namespace testsupport
