#include "ResponseRules.h"

#include "core/Cp932.h"
#include "core/TextTrim.h"
#include "settings/IniFile.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

namespace responserules {

using namespace Qt::StringLiterals;

namespace {

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

// A word ends at a blank outside double quotes; inside them a backslash
// keeps the next byte, and a double-byte character is read whole (its
// second byte may be a backslash).
struct Words {
    QList<QByteArrayView> words;
    bool unclosedQuote = false;
};

Words splitWords(QByteArrayView text)
{
    Words result;
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size) {
        while (i < size && isBlank(text[i]))
            ++i;
        if (i == size)
            break;
        const qsizetype begin = i;
        bool quoted = false;
        while (i < size && (quoted || !isBlank(text[i]))) {
            const char c = text[i];
            if (ini::isLeadByte(c) && i + 1 < size)
                i += 2;
            else if (quoted && c == '\\' && i + 1 < size)
                i += 2;
            else {
                if (c == '"')
                    quoted = !quoted;
                ++i;
            }
        }
        if (quoted)
            result.unclosedQuote = true;
        result.words.append(text.sliced(begin, i - begin));
    }
    return result;
}

QString shown(QByteArrayView bytes)
{
    return cp932::decode(bytes);
}

bool isQuoted(QByteArrayView word)
{
    return word.size() >= 2 && word.front() == '"' && word.back() == '"';
}

QByteArrayView unquoted(QByteArrayView word)
{
    return isQuoted(word) ? word.sliced(1, word.size() - 2) : word;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The C escapes of a quoted text; std::nullopt for an unknown escape.
std::optional<QByteArray> unescape(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (ini::isLeadByte(c) && i + 1 < text.size()) {
            bytes.append(text.sliced(i, 2));
            ++i;
            continue;
        }
        if (c != '\\') {
            bytes.append(c);
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        const char e = text[i];
        // Pairs of an escape's letter and its byte; \0 is an octal escape.
        static constexpr std::string_view Simple = "r\rn\nt\ta\ab\bf\fv\v\\\\\"\"''";
        const auto simple = Simple.find(e);
        if (e >= '0' && e <= '7') {
            int value = 0;
            int digits = 0;
            while (digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7') {
                value = value * 8 + (text[i] - '0');
                ++i;
                ++digits;
            }
            --i;
            if (value > 0xFF)
                return std::nullopt;
            bytes.append(static_cast<char>(value));
        } else if (e == 'x') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && i + 1 < text.size() && hexDigit(text[i + 1]) >= 0) {
                value = value * 16 + hexDigit(text[++i]);
                ++digits;
            }
            if (digits == 0)
                return std::nullopt;
            bytes.append(static_cast<char>(value));
        } else if (simple != std::string_view::npos && simple % 2 == 0) {
            bytes.append(Simple[simple + 1]);
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

std::optional<int> parseInt(QByteArrayView text, int lowest, int highest)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok || text.isEmpty() || text.front() == '+' || value < lowest || value > highest)
        return std::nullopt;
    return static_cast<int>(value);
}

// "N", "N-M", "N-", "-M" within [lowest, highest].
bool parseRange(QByteArrayView text, int lowest, int highest, int &min, int &max)
{
    const qsizetype dash = text.indexOf('-');
    if (dash < 0) {
        const std::optional<int> value = parseInt(text, lowest, highest);
        if (!value)
            return false;
        min = max = *value;
        return true;
    }
    const QByteArrayView left = text.first(dash), right = text.sliced(dash + 1);
    const std::optional<int> from = left.isEmpty() ? std::optional<int>(lowest) : parseInt(left, lowest, highest);
    const std::optional<int> to = right.isEmpty() ? std::optional<int>(highest) : parseInt(right, lowest, highest);
    if (!from || !to || *from > *to || (left.isEmpty() && right.isEmpty()))
        return false;
    min = *from;
    max = *to;
    return true;
}

bool parseAddress(QByteArrayView text, Rule &rule)
{
    const qsizetype slash = text.indexOf('/');
    const QByteArray address = (slash < 0 ? text : text.first(slash)).toByteArray();
    in_addr v4 {};
    in6_addr v6 {};
    int fullBits = 0;
    if (::inet_pton(AF_INET, address.constData(), &v4) == 1) {
        rule.fromAddress = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        std::memcpy(rule.fromAddress.data() + 12, &v4, 4);
        fullBits = 32;
    } else if (::inet_pton(AF_INET6, address.constData(), &v6) == 1) {
        std::memcpy(rule.fromAddress.data(), &v6, 16);
        fullBits = 128;
    } else {
        return false;
    }
    int bits = fullBits;
    if (slash >= 0) {
        const std::optional<int> given = parseInt(text.sliced(slash + 1), 0, fullBits);
        if (!given)
            return false;
        bits = *given;
    }
    rule.fromBits = bits + (128 - fullBits); // an IPv4 rule also holds the mapping's 96 bits
    return true;
}

// The sender as an IPv6 address (IPv4 mapped) and its port; false for
// another family.
bool senderOf(const sockaddr *sender, socklen_t length, std::array<uint8_t, 16> &address, int &port)
{
    if (sender == nullptr)
        return false;
    if (sender->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
        sockaddr_in v4 {};
        std::memcpy(&v4, sender, sizeof v4);
        address = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        std::memcpy(address.data() + 12, &v4.sin_addr, 4);
        port = ntohs(v4.sin_port);
        return true;
    }
    if (sender->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
        sockaddr_in6 v6 {};
        std::memcpy(&v6, sender, sizeof v6);
        std::memcpy(address.data(), &v6.sin6_addr, 16);
        port = ntohs(v6.sin6_port);
        return true;
    }
    return false;
}

bool prefixMatches(const std::array<uint8_t, 16> &a, const std::array<uint8_t, 16> &b, int bits)
{
    const int whole = bits / 8;
    if (std::memcmp(a.data(), b.data(), static_cast<size_t>(whole)) != 0)
        return false;
    const int rest = bits % 8;
    if (rest == 0)
        return true;
    const auto mask = static_cast<uint8_t>(0xFF << (8 - rest));
    return (a[static_cast<size_t>(whole)] & mask) == (b[static_cast<size_t>(whole)] & mask);
}

std::optional<QString> parseCondition(QByteArrayView word, Rule &rule)
{
    const qsizetype equals = word.indexOf('=');
    const QByteArrayView key = equals < 0 ? word : word.first(equals);
    const QByteArrayView value = equals < 0 ? QByteArrayView() : unquoted(word.sliced(equals + 1));
    const QString bad = u"条件が不正です："_s + shown(word);
    if (equals < 0 || value.isEmpty())
        return bad;
    if (key == "prefix" || key == "contains") {
        const std::optional<QByteArray> bytes = parseHex(value);
        if (!bytes)
            return u"16進数が不正です："_s + shown(word);
        (key == "prefix" ? rule.prefix : rule.contains) = *bytes;
    } else if (key == "regex") {
        QRegularExpression regex(QString::fromLatin1(value));
        if (!regex.isValid())
            return u"正規表現が不正です（%1）："_s.arg(regex.errorString()) + shown(word);
        regex.optimize();
        rule.regex = std::move(regex);
    } else if (key == "from") {
        if (!parseAddress(value, rule))
            return u"送信元アドレスが不正です："_s + shown(word);
    } else if (key == "port") {
        if (!parseRange(value, 0, 65535, rule.portMin, rule.portMax))
            return u"送信元ポートが不正です："_s + shown(word);
    } else if (key == "length") {
        if (!parseRange(value, 0, 65535, rule.lengthMin, rule.lengthMax))
            return u"長さが不正です："_s + shown(word);
    } else {
        return u"不明な条件です："_s + shown(word);
    }
    return std::nullopt;
}

// data, data[I], data[I:J] with either index left out.
std::optional<Slice> parseData(QByteArrayView word)
{
    Slice slice;
    if (word == "data")
        return slice;
    if (!word.startsWith("data[") || !word.endsWith(']'))
        return std::nullopt;
    const QByteArrayView inside = word.sliced(5, word.size() - 6);
    const qsizetype colon = inside.indexOf(':');
    const auto index = [](QByteArrayView text) { return parseInt(text, -65535, 65535); };
    if (colon < 0) {
        slice.begin = index(inside);
        slice.single = true;
        return slice.begin ? std::optional<Slice>(slice) : std::nullopt;
    }
    const QByteArrayView left = inside.first(colon), right = inside.sliced(colon + 1);
    if (!left.isEmpty() && !(slice.begin = index(left)))
        return std::nullopt;
    if (!right.isEmpty() && !(slice.end = index(right)))
        return std::nullopt;
    return slice;
}

std::optional<QString> parseReplyPart(QByteArrayView word, Rule &rule)
{
    ReplyPart part;
    if (word.startsWith('"')) {
        const std::optional<QByteArray> text = isQuoted(word) ? unescape(unquoted(word)) : std::nullopt;
        if (!text)
            return u"文字列が不正です："_s + shown(word);
        part.bytes = *text;
    } else if (word.startsWith("data")) {
        const std::optional<Slice> slice = parseData(word);
        if (!slice)
            return u"受信データの範囲が不正です："_s + shown(word);
        part.kind = ReplyPart::Data;
        part.slice = *slice;
    } else if (word == "count") {
        part.kind = ReplyPart::CountText;
    } else if (word.startsWith("count:")) {
        QByteArrayView width = word.sliced(6);
        part.littleEndian = width.endsWith("le");
        if (part.littleEndian)
            width.chop(2);
        part.kind = ReplyPart::CountBinary;
        part.width = width.size() == 1 ? width.front() - '0' : 0;
        if (part.width != 1 && part.width != 2 && part.width != 4 && part.width != 8)
            return u"カウンタの幅が不正です："_s + shown(word);
    } else {
        const std::optional<QByteArray> bytes = parseHex(word);
        if (!bytes)
            return u"応答が不正です："_s + shown(word);
        part.bytes = *bytes;
    }
    // Neighbouring fixed bytes are one part.
    if (part.kind == ReplyPart::Bytes && !rule.reply.empty() && rule.reply.back().kind == ReplyPart::Bytes)
        rule.reply.back().bytes.append(part.bytes);
    else
        rule.reply.push_back(std::move(part));
    return std::nullopt;
}

std::optional<QString> parseRule(const QList<QByteArrayView> &words, Rule &rule)
{
    const qsizetype arrow = words.indexOf(QByteArrayView("->"));
    if (arrow < 0)
        return u"「->」がありません"_s;
    if (arrow == 0 || (words.front().contains('=') && !isQuoted(words.front())))
        return u"ルール名がありません"_s;
    const std::optional<QByteArray> name =
        isQuoted(words.front()) ? unescape(unquoted(words.front())) : std::optional(words.front().toByteArray());
    if (!name || name->isEmpty())
        return u"ルール名が不正です："_s + shown(words.front());
    rule.name = shown(*name);
    for (qsizetype i = 1; i < arrow; ++i) {
        if (std::optional<QString> error = parseCondition(words[i], rule))
            return error;
    }
    const qsizetype replyWords = words.size() - arrow - 1;
    if (replyWords == 0)
        return u"応答がありません（応答しないルールは none）"_s;
    if (words[arrow + 1] == "none") {
        if (replyWords > 1)
            return u"none の後には何も書けません"_s;
        rule.silent = true;
        return std::nullopt;
    }
    for (qsizetype i = arrow + 1; i < words.size(); ++i) {
        if (std::optional<QString> error = parseReplyPart(words[i], rule))
            return error;
    }
    return std::nullopt;
}

// Calls `each` with every line's text (without its line ending), its
// bytes with the line ending, and its number.
template <typename Each> void forEachLine(QByteArrayView content, Each each)
{
    qsizetype pos = content.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    int number = 0;
    while (pos < content.size()) {
        qsizetype end = pos;
        while (end < content.size() && !isLineBreak(content[end]))
            ++end;
        qsizetype next = end;
        if (next < content.size())
            next += (content[next] == '\r' && next + 1 < content.size() && content[next + 1] == '\n') ? 2 : 1;
        each(content.sliced(pos, end - pos), content.sliced(pos, next - pos), ++number);
        pos = next;
    }
}

bool isRuleLine(QByteArrayView text)
{
    const QByteArrayView trimmed = trimmedView(text, isBlank<char>);
    return !trimmed.isEmpty() && trimmed.front() != ';' && trimmed.front() != '#';
}

uint64_t clampedIndex(int index, qsizetype size)
{
    const qsizetype resolved = index < 0 ? std::max<qsizetype>(0, size + index) : std::min<qsizetype>(index, size);
    return static_cast<uint64_t>(resolved);
}

} // namespace

std::optional<QByteArray> parseHex(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    int high = -1;
    for (const char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            if ((c != ' ' && c != ':' && c != '\t') || high >= 0)
                return std::nullopt;
            continue;
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes.append(static_cast<char>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0 || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

LineOutcome parseLine(QByteArrayView text, int line)
{
    if (!isRuleLine(text))
        return {};
    const Words words = splitWords(text);
    if (words.unclosedQuote)
        return {std::nullopt, Error {line, u"引用符が閉じていません"_s}};
    Rule rule;
    rule.line = line;
    if (std::optional<QString> error = parseRule(words.words, rule))
        return {std::nullopt, Error {line, *error}};
    return {std::move(rule), std::nullopt};
}

RuleList parse(QByteArrayView content)
{
    RuleList list;
    forEachLine(content, [&](QByteArrayView text, QByteArrayView, int number) {
        LineOutcome outcome = parseLine(text, number);
        if (outcome.rule)
            list.rules.push_back(std::move(*outcome.rule));
        else if (outcome.error)
            list.errors.append(*outcome.error);
    });
    return list;
}

namespace {

// Every condition but the regular expression.
bool matchesBytesAndSender(const Rule &rule, QByteArrayView payload, const sockaddr *sender, socklen_t senderLength)
{
    if (payload.size() < rule.lengthMin || payload.size() > rule.lengthMax)
        return false;
    if (!payload.startsWith(rule.prefix))
        return false;
    if (!rule.contains.isEmpty() && payload.indexOf(rule.contains) < 0)
        return false;
    if (rule.fromBits > 0 || rule.portMin > 0 || rule.portMax < 65535) {
        std::array<uint8_t, 16> address {};
        int port = 0;
        if (!senderOf(sender, senderLength, address, port))
            return false;
        if (port < rule.portMin || port > rule.portMax || !prefixMatches(address, rule.fromAddress, rule.fromBits))
            return false;
    }
    return true;
}

} // namespace

int match(const std::vector<Rule> &rules, QByteArrayView payload, const sockaddr *sender, socklen_t senderLength)
{
    // The payload as text is made once, when a regular expression first asks for it.
    std::optional<QString> text;
    for (size_t i = 0; i < rules.size(); ++i) {
        const Rule &rule = rules[i];
        if (!matchesBytesAndSender(rule, payload, sender, senderLength))
            continue;
        if (!rule.regex)
            return static_cast<int>(i);
        if (!text)
            text = QString::fromLatin1(payload);
        if (rule.regex->match(*text).hasMatch())
            return static_cast<int>(i);
    }
    return -1;
}

QByteArray reply(const Rule &rule, QByteArrayView payload, uint64_t count)
{
    QByteArray bytes;
    for (const ReplyPart &part : rule.reply) {
        switch (part.kind) {
        case ReplyPart::Bytes:
            bytes.append(part.bytes);
            break;
        case ReplyPart::Data: {
            const Slice &s = part.slice;
            const qsizetype n = payload.size();
            if (s.single) {
                const int i = *s.begin < 0 ? static_cast<int>(n) + *s.begin : *s.begin;
                if (i >= 0 && i < n)
                    bytes.append(payload[i]);
                break;
            }
            const uint64_t begin = s.begin ? clampedIndex(*s.begin, n) : 0;
            const uint64_t end = s.end ? clampedIndex(*s.end, n) : static_cast<uint64_t>(n);
            if (end > begin)
                bytes.append(payload.sliced(static_cast<qsizetype>(begin), static_cast<qsizetype>(end - begin)));
            break;
        }
        case ReplyPart::CountText:
            bytes.append(QByteArray::number(static_cast<qulonglong>(count)));
            break;
        case ReplyPart::CountBinary:
            for (int i = 0; i < part.width; ++i) {
                const int shift = 8 * (part.littleEndian ? i : part.width - 1 - i);
                bytes.append(static_cast<char>((count >> shift) & 0xFF));
            }
            break;
        }
    }
    return bytes;
}

Entries split(QByteArrayView content)
{
    Entries result;
    QByteArray pending;
    forEachLine(content, [&](QByteArrayView text, QByteArrayView whole, int) {
        if (isRuleLine(text)) {
            result.entries.push_back({std::exchange(pending, {}), text.toByteArray()});
        } else {
            pending.append(whole);
        }
    });
    result.tail = pending;
    return result;
}

QByteArray join(const Entries &entries)
{
    QByteArray content;
    for (const Entry &entry : entries.entries)
        content.append(entry.leading).append(entry.line).append("\r\n");
    content.append(entries.tail);
    return content;
}

} // namespace responserules
