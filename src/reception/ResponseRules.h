#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <sys/socket.h>

// The custom response (カスタム): an ordered list of rules, read from the
// rules file (code page 932, one rule per line). The first rule whose
// conditions all hold answers the datagram; when none does, nothing is sent.
// Everything here works on bytes; the file itself is read and written by
// ResponseRulesFile.
//
// A line is blank, a comment (its first non-blank character is ';' or
// '#') or a rule; lines end in CR LF, LF or CR. A rule is words separated
// by spaces or tabs:
//
//     name  condition...  ->  reply...
//
//   name        the first word: shown in the editor and in the receive
//               grid's tooltip. A word in double quotes may hold blanks.
//   conditions  all must hold; a rule without any answers every datagram.
//     prefix=HEX      the payload starts with these bytes
//     contains=HEX    the payload holds these bytes somewhere
//     regex="RE"      the regular expression (Perl syntax) matches somewhere
//                     in the payload read as Latin-1 text, one character
//                     per byte: "\x81" is byte 0x81. The text between the
//                     quotes is passed on as it stands; a '"' in it is
//                     written \" or \x22. (?i) makes it ignore case.
//     from=ADDRESS[/BITS]  the sender's address, or its first BITS bits:
//                     127.0.0.1, 192.168.1.0/24, ::1, fe80::/10. IPv4
//                     senders match IPv4 rules also when they arrive on
//                     the dual-stack socket.
//     port=N | port=N-M      the sender's port, or a range of them
//     length=N | length=N-M | length=N- | length=-M   the payload's length
//   ->          separates the conditions from the reply.
//   reply       "none" alone: the rule answers nothing (it silences what
//               it matches); otherwise the concatenation of
//     HEX             bytes, two hex digits each (810b00 or 81:0b:00)
//     "TEXT"          the text's bytes as written in the file, with C
//                     escapes: \r \n \t \0 \a \b \f \v \\ \" \' \xHH
//                     (one or two digits) and \OOO (octal, up to three)
//     data            the whole datagram received
//     data[I]         its byte I (nothing when it is shorter)
//     data[I:J]       its bytes I up to, not including, J; either may be
//                     left out (data[2:] is all but the first two bytes),
//                     a negative index counts from the end (data[-2:] is
//                     the last two bytes); a range past the end is cut
//     count           how many times this rule has answered, this answer
//                     included, as decimal text: the first answer has 1
//     count:N         the same as an N-byte binary number, N = 1, 2, 4
//                     or 8, most significant byte first; count:Nle with
//                     the least significant byte first. It wraps around.
//
// For example:
//
//     ; name   conditions                       reply
//     whois    prefix=810b contains=1008     -> 810a0015 0100 1000 c4020004d2 2205c4 9103 2203e7
//     quiet    from=127.0.0.5                -> none
//     status   regex="^GET /status\b"        -> "OK " count "\r\n"
//     read     prefix=0103 length=8          -> data[0:2] 02 002a
//     echo                                   -> data
//
// A line that is none of these is an error with its line number; the
// other rules still work.
namespace responserules {

// Rules files beyond this size are neither read nor saved.
constexpr qsizetype MaxFileSize = 1024 * 1024;

struct Slice {
    // Indices as written; std::nullopt: left out.
    std::optional<int> begin;
    std::optional<int> end;
    bool single = false; // data[I]
};

struct ReplyPart {
    enum Kind { Bytes, Data, CountText, CountBinary } kind = Bytes;
    QByteArray bytes; // Bytes
    Slice slice;      // Data
    int width = 0;    // CountBinary: 1, 2, 4 or 8
    bool littleEndian = false;
};

struct Rule {
    QString name;
    int line = 0; // in the file, from 1
    QByteArray prefix;
    QByteArray contains;
    std::optional<QRegularExpression> regex; // compiled when the rule is read
    // The sender's address as IPv6 (IPv4 mapped), and how many leading
    // bits must match; 0 bits: any sender.
    std::array<uint8_t, 16> fromAddress {};
    int fromBits = 0;
    int portMin = 0, portMax = 65535;
    int lengthMin = 0, lengthMax = INT32_MAX;
    bool silent = false; // -> none
    std::vector<ReplyPart> reply;
};

struct Error {
    int line = 0;
    QString message;
};

struct RuleList {
    std::vector<Rule> rules;
    QList<Error> errors;
};

// The rules of a file's content, in order, and the errors of the lines
// that are not rules.
RuleList parse(QByteArrayView content);

// One line's rule, or why it is none; std::nullopt for a blank or comment
// line. `line` is the number the rule and its error carry.
struct LineOutcome {
    std::optional<Rule> rule;
    std::optional<Error> error;
};
LineOutcome parseLine(QByteArrayView text, int line = 1);

// The index of the first rule that answers the datagram from `sender`,
// -1 when none does.
int match(const std::vector<Rule> &rules, QByteArrayView payload, const sockaddr *sender, socklen_t senderLength);

// The reply of a rule that is not silent, its counter at `count`.
QByteArray reply(const Rule &rule, QByteArrayView payload, uint64_t count);

// "81 0B 00" and "810b00" and "81:0b:00" alike; std::nullopt when not hex.
std::optional<QByteArray> parseHex(QByteArrayView text);

// A file's lines as the editor keeps them: each rule line (malformed ones
// included) with the comment and blank lines above it, and the lines after
// the last rule. join() puts them together again in the entries' order;
// comment lines keep their bytes and line endings, every rule line ends in
// CR LF, so a file written with CR LF comes back byte for byte.
struct Entry {
    QByteArray leading; // comment and blank lines, each with its line ending
    QByteArray line;    // the rule's text, without its line ending
};
struct Entries {
    std::vector<Entry> entries;
    QByteArray tail;
};
Entries split(QByteArrayView content);
QByteArray join(const Entries &entries);

} // namespace responserules
