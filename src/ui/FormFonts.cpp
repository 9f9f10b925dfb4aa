#include "FormFonts.h"

#include <QFontDatabase>

namespace {

struct FontLook {
    bool fixedPitch;
    double points;
    bool bold;
};

FontLook lookOf(FormFontCode code)
{
    switch (code) {
    case FormFontCode::F1:
        return {false, 14.25, true};
    case FormFontCode::F2:
        return {false, 11.25, true};
    case FormFontCode::F3:
        return {false, 15.75, true};
    case FormFontCode::F4:
        return {true, 9, false};
    case FormFontCode::FormDefault:
        break;
    }
    return {false, 9, false};
}

} // namespace

// Font databases list a face under its local name where it has one (the
// IPA faces are "IPA Pゴシック" and "IPAゴシック" in a Japanese locale), so
// both names are candidates. Noto Sans CJK JP comes first among the
// proportional faces: its digits are narrow enough for the time labels.
QStringList proportionalGothicFamilies()
{
    return {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック")};
}

QStringList fixedGothicFamilies()
{
    return {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"), QStringLiteral("Noto Sans Mono CJK JP")};
}

QString firstInstalledFamily(const QStringList &candidates)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString &family : candidates) {
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return {};
}

QFont formFont(FormFontCode code)
{
    const FontLook look = lookOf(code);
    QFont font;
    const QString family = firstInstalledFamily(look.fixedPitch ? fixedGothicFamilies() : proportionalGothicFamilies());
    if (!family.isEmpty())
        font.setFamily(family);
    font.setStyleHint(look.fixedPitch ? QFont::Monospace : QFont::SansSerif);
    font.setFixedPitch(look.fixedPitch);
    font.setPixelSize(static_cast<int>(look.points * 96.0 / 72.0 + 0.5));
    font.setWeight(look.bold ? QFont::Bold : QFont::Normal);
    return font;
}
