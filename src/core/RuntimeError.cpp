#include "RuntimeError.h"

#include <cstring>

RuntimeError::RuntimeError(const QString &description)
    : std::runtime_error(description.toStdString()), m_description(description)
{
}

RuntimeError RuntimeError::overflow()
{
    return RuntimeError(QStringLiteral("オーバーフローしました。"));
}

RuntimeError RuntimeError::typeMismatch()
{
    return RuntimeError(QStringLiteral("型が一致しません。"));
}

RuntimeError RuntimeError::invalidArgument()
{
    return RuntimeError(QStringLiteral("プロシージャの呼び出し、または引数が不正です。"));
}

RuntimeError RuntimeError::subscriptOutOfRange()
{
    return RuntimeError(QStringLiteral("インデックスが有効範囲にありません。"));
}

RuntimeError RuntimeError::fileExists(const QString &path)
{
    return RuntimeError(QStringLiteral("既に同名のファイルが存在しています。（%1）").arg(path));
}

RuntimeError RuntimeError::systemCall(const QString &what, int err)
{
    char buffer[256] = {};
    // GNU strerror_r returns the message, which may or may not be `buffer`.
    const char *reason = strerror_r(err, buffer, sizeof buffer);
    return RuntimeError(QStringLiteral("%1：%2").arg(what, QString::fromLocal8Bit(reason)));
}

RuntimeError RuntimeError::undescribed()
{
    return RuntimeError(QString());
}

RuntimeError RuntimeError::outOfMemory()
{
    return RuntimeError(QStringLiteral("メモリが不足しています。"));
}

RuntimeError RuntimeError::unexpected()
{
    return RuntimeError(QStringLiteral("予期しないエラーが発生しました。"));
}
