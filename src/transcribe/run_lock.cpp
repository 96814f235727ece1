#include "transcribe/run_lock.h"

#include "platform/database.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

namespace tera {

QString RunLockPath(const QString &dbPathOrConnection)
{
    if (Database::isConnectionString(dbPathOrConnection)) {
        const QByteArray key = QCryptographicHash::hash(dbPathOrConnection.trimmed().toUtf8(), QCryptographicHash::Sha1).toHex();
        return QDir::temp().filePath(QStringLiteral("tera-import-%1.run-lock").arg(QString::fromLatin1(key.left(16))));
    }
    return QFileInfo(dbPathOrConnection).absoluteFilePath() + QStringLiteral(".run-lock");
}

RunLock::RunLock(const QString &dbPathOrConnection)
    : m_path(RunLockPath(dbPathOrConnection)), m_lock(std::make_unique<QLockFile>(m_path))
{
    // Only a dead owner makes a lock stale: a long run must never lose it.
    m_lock->setStaleLockTime(0);
}

RunLock::~RunLock() = default;

bool RunLock::tryTake(QString &refusal)
{
    m_busy = false;
    if (m_lock->tryLock(0))
        return true;
    const QString folder = QDir::toNativeSeparators(QFileInfo(m_path).absolutePath());
    switch (m_lock->error()) {
    case QLockFile::LockFailedError: {
        m_busy = true;
        qint64 pid = 0;
        QString host, app;
        const QString started = QFileInfo(m_path).lastModified().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        QString who;
        if (m_lock->getLockInfo(&pid, &host, &app)) {
            who = QStringLiteral("%1（プロセス %2").arg(app.isEmpty() ? QStringLiteral("tera-import") : app).arg(pid);
            if (!host.isEmpty() && host != QSysInfo::machineHostName())
                who += QStringLiteral("、コンピュータ %1").arg(host);
            who += QStringLiteral("、%1 開始）").arg(started);
        } else {
            who = QStringLiteral("（%1 開始）").arg(started);
        }
        refusal = QStringLiteral("このデータベースは、別の転記または復元が使用中です。\r\n%1\r\n"
                                 "終わってからもう一度実行してください。何も書き込んでいません。\r\n"
                                 "（使用中の印: %2）")
                      .arg(who, QDir::toNativeSeparators(m_path));
        return false;
    }
    case QLockFile::PermissionError:
        refusal = QStringLiteral("データベースのフォルダ %1 に書き込めません（読み取り専用か、書き込みの権限がありません）。\r\n"
                                 "転記と復元には、このフォルダへの書き込みが必要です。何も書き込んでいません。")
                      .arg(folder);
        return false;
    case QLockFile::UnknownError:
    case QLockFile::NoError:
        break;
    }
    refusal = QStringLiteral("データベースのフォルダ %1 に使用中の印 %2 を作れません。何も書き込んでいません。")
                  .arg(folder, QDir::toNativeSeparators(m_path));
    return false;
}

} // namespace tera
