#include "HexDumpText.h"

#include <array>
#include <numeric>
#include <vector>

namespace {

constexpr qsizetype SlotsPerLine = 16;
// "00000000: " + 16 slots of "xx " + the extra space + " |" + 16 characters + "|\n"
constexpr qsizetype LineLength = 10 + SlotsPerLine * 3 + 1 + 2 + SlotsPerLine + 2;

constexpr char16_t HexDigits[] = u"0123456789abcdef";

void appendHex(QString &text, qsizetype value, int digits)
{
    for (int d = digits - 1; d >= 0; --d)
        text.append(QChar(HexDigits[(value >> (4 * d)) & 0xF]));
}

QChar shownCharacter(unsigned char byte)
{
    return byte >= 0x20 && byte < 0x7F ? QChar(char16_t(byte)) : QChar(u'.');
}

// One line: `present[slot]` tells whether the byte at lineStart + slot is shown.
void appendLine(QString &text, QByteArrayView bytes, qsizetype lineStart, const std::array<bool, SlotsPerLine> &present)
{
    appendHex(text, lineStart, 8);
    text.append(u": ");
    qsizetype lastShown = 0;
    for (qsizetype slot = 0; slot < SlotsPerLine; ++slot) {
        if (slot == SlotsPerLine / 2)
            text.append(u' ');
        if (present[size_t(slot)]) {
            appendHex(text, static_cast<unsigned char>(bytes[lineStart + slot]), 2);
            text.append(u' ');
            lastShown = slot;
        } else {
            text.append(u"   ");
        }
    }
    text.append(u" |");
    for (qsizetype slot = 0; slot <= lastShown; ++slot)
        text.append(present[size_t(slot)] ? shownCharacter(static_cast<unsigned char>(bytes[lineStart + slot]))
                                          : QChar(u' '));
    text.append(u"|\n");
}

} // namespace

QString hexDumpText(QByteArrayView bytes, std::span<const qsizetype> offsets)
{
    QString text;
    text.reserve(((offsets.size() + SlotsPerLine - 1) / SlotsPerLine + 1) * LineLength);
    std::array<bool, SlotsPerLine> present {};
    qsizetype lineStart = -1;
    for (const qsizetype offset : offsets) {
        Q_ASSERT(offset >= 0 && offset < bytes.size());
        const qsizetype start = offset - offset % SlotsPerLine;
        if (start != lineStart) {
            if (lineStart >= 0)
                appendLine(text, bytes, lineStart, present);
            present.fill(false);
            lineStart = start;
        }
        present[size_t(offset - start)] = true;
    }
    if (lineStart >= 0)
        appendLine(text, bytes, lineStart, present);
    return text;
}

QString hexDumpText(QByteArrayView bytes)
{
    std::vector<qsizetype> offsets(size_t(bytes.size()));
    std::iota(offsets.begin(), offsets.end(), qsizetype(0));
    return hexDumpText(bytes, offsets);
}
