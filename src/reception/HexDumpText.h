#pragma once

#include <QByteArrayView>
#include <QString>

#include <span>

// Bytes as text in the layout of `hexdump -C` with the offset of `xxd`:
// one line for every 16 offsets that hold a byte to show,
//
//   00000000: 48 65 6c 6c 6f 2c 20 77  6f 72 6c 64 21 0a 00 ff  |Hello, world!...|
//
// eight hex digits of offset, a colon, the 16 slots of the line as two
// lower-case hex digits each (one more space after the eighth), then the
// characters between bars: printable ASCII as itself, any other byte as a
// dot. Each line ends with "\n"; no bytes give an empty text.
//
// A slot whose byte is not shown stays blank (spaces), so every byte keeps
// its column and its true offset; the character column runs from the line's
// first slot to its last shown byte.
QString hexDumpText(QByteArrayView bytes);
// Only the bytes at `offsets` (ascending, no repeats, each inside `bytes`).
QString hexDumpText(QByteArrayView bytes, std::span<const qsizetype> offsets);
