#pragma once

#include "ResponseRules.h"
#include "core/Result.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

class LogWriter;
class MessageBoxService;

// The rules file on disk, and the rules in use with their counters.
namespace responserules {

// "Tavo_UdpRecvRules.txt" in the Config folder.
QString filePath(const QString &configFolder);

// The file's bytes; empty when there is no file. Refused, never waited
// for: a link (not followed), a FIFO or anything else that is not a
// regular file, a file beyond MaxFileSize, a read error.
Result<QByteArray> readFile(const QString &path);

// Replaces the file's content as a whole: the bytes go to a temporary file
// beside it that replaces it once fully written, so a failed save leaves
// the old file. A link or anything else that is not a regular file in its
// place is refused and left alone.
Result<> saveFile(const QString &path, const QByteArray &content);

} // namespace responserules

// The rules the custom response answers with. Each rule counts its
// answers; reading the rules again starts the counts afresh.
class ResponseRuleSet {
public:
    // Takes the rules of `list` (its errors are the caller's to report).
    void replace(responserules::RuleList list);
    bool empty() const { return m_rules.empty(); }
    size_t size() const { return m_rules.size(); }
    const std::vector<responserules::Rule> &rules() const { return m_rules; }

    // The first rule that answers, -1 when none does.
    int match(QByteArrayView payload, const sockaddr *sender, socklen_t senderLength) const
    {
        return responserules::match(m_rules, payload, sender, senderLength);
    }
    // The reply of rule `index` (not silent), counted as one more answer.
    QByteArray answer(int index, QByteArrayView payload);

private:
    std::vector<responserules::Rule> m_rules;
    std::vector<uint64_t> m_counts;
};

// Reads the rules file into `rules`. Each malformed line is logged with its
// line number and the rules of the others are used; a file that cannot be
// read is logged and leaves `rules` as they were. Either is also told in
// one box. Returns the number of problems told.
int loadResponseRules(const QString &path, ResponseRuleSet &rules, LogWriter &log, int16_t kind,
                      MessageBoxService &boxes);
