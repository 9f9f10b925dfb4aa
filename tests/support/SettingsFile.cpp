#include "SettingsFile.h"

#include "TestSupport.h"
#include "core/Cp932.h"

namespace testsupport {

QByteArray SettingsFile::text() const
{
    static constexpr const char16_t *Names[KeyCount] = {u"UdpPort", u"ResSetting", u"LogMaxSize", u"LogGenerations",
                                                         u"Capture"};
    QString text = QStringLiteral("[Port]\r\n");
    for (int key = 0; key < KeyCount; ++key) {
        if (key == ResSetting)
            text += QStringLiteral("\r\n[Maintenance]\r\n");
        if (m_values[key])
            text += QString::fromUtf16(Names[key]) + u'=' + *m_values[key] + QStringLiteral("\r\n");
    }
    return cp932::encode(text);
}

bool SettingsFile::writeTo(const QString &path) const
{
    return writeFile(path, text());
}

} // namespace testsupport
