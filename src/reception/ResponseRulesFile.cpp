#include "ResponseRulesFile.h"

#include "core/MessageBoxService.h"
#include "logging/LogWriter.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace responserules {

namespace {

using namespace Qt::StringLiterals;

RuntimeError refusal(const QString &path, const QString &why)
{
    return RuntimeError(u"応答ルールファイルを使えません（%1：%2）"_s.arg(path, why));
}

} // namespace

QString filePath(const QString &configFolder)
{
    return configFolder + u"/Tavo_UdpRecvRules.txt"_s;
}

Result<QByteArray> readFile(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    // Non-blocking: a FIFO opens at once and is refused below.
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT)
            return QByteArray();
        if (err == ELOOP)
            return refusal(path, u"リンクです"_s);
        return RuntimeError::systemCall(u"応答ルールファイルを開けません（%1）"_s.arg(path), err);
    }
    struct stat st {};
    QByteArray content;
    std::optional<RuntimeError> failure;
    if (::fstat(fd, &st) != 0) {
        failure = RuntimeError::systemCall(u"応答ルールファイルを調べられません（%1）"_s.arg(path), errno);
    } else if (!S_ISREG(st.st_mode)) {
        failure = refusal(path, u"通常のファイルではありません"_s);
    } else if (st.st_size > MaxFileSize) {
        failure = refusal(path, u"%1バイトを超えています"_s.arg(MaxFileSize));
    } else {
        content.resize(static_cast<qsizetype>(st.st_size));
        qsizetype done = 0;
        while (!failure && done < content.size()) {
            const ssize_t n = ::read(fd, content.data() + done, static_cast<size_t>(content.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                failure = RuntimeError::systemCall(u"応答ルールファイルを読めません（%1）"_s.arg(path), errno);
            else if (n == 0)
                break; // shrunk meanwhile
            else
                done += n;
        }
        content.truncate(done);
    }
    ::close(fd);
    if (failure)
        return *failure;
    return content;
}

Result<> saveFile(const QString &path, const QByteArray &content)
{
    if (content.size() > MaxFileSize)
        return refusal(path, u"%1バイトを超えています"_s.arg(MaxFileSize));
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return refusal(path, S_ISLNK(st.st_mode) ? u"リンクです"_s : u"通常のファイルではありません"_s);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return RuntimeError(u"応答ルールファイルを保存できません（%1：%2）"_s.arg(path, file.errorString()));
    return {};
}

} // namespace responserules

void ResponseRuleSet::replace(responserules::RuleList list)
{
    m_rules = std::move(list.rules);
    m_counts.assign(m_rules.size(), 0);
}

QByteArray ResponseRuleSet::answer(int index, QByteArrayView payload)
{
    const auto i = static_cast<size_t>(index);
    return responserules::reply(m_rules[i], payload, ++m_counts[i]);
}

int loadResponseRules(const QString &path, ResponseRuleSet &rules, LogWriter &log, int16_t kind,
                      MessageBoxService &boxes)
{
    using namespace Qt::StringLiterals;
    const Result<QByteArray> content = responserules::readFile(path);
    if (!content) {
        log.WriteLog(kind, content.error().description());
        boxes.msgBox(u"応答ルールファイルを読み込めませんでした。\r\n"_s + content.error().description(),
                     MsgBoxStyle::Critical);
        return 1;
    }
    responserules::RuleList list = responserules::parse(*content);
    const QList<responserules::Error> errors = list.errors;
    rules.replace(std::move(list));
    if (errors.isEmpty())
        return 0;
    // The box lists the first few; the log has them all.
    constexpr qsizetype Listed = 10;
    QString text = u"応答ルールファイルに誤りがあります。誤りのある行は使われません。"_s;
    for (qsizetype i = 0; i < errors.size(); ++i) {
        const QString where = u"%1行目：%2"_s.arg(errors[i].line).arg(errors[i].message);
        log.WriteLog(kind, u"応答ルールの誤り（%1）"_s.arg(path) + where);
        if (i < Listed)
            text += u"\r\n"_s + where;
    }
    if (errors.size() > Listed)
        text += u"\r\nほか%1件"_s.arg(errors.size() - Listed);
    boxes.msgBox(text, MsgBoxStyle::Critical);
    return static_cast<int>(errors.size());
}
