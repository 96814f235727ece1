#include "transcribe/link_file.h"

#include "model/app_state.h"
#include "platform/file_io.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace tera {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool wholeNumber(const QJsonValue &v, qint32 &out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (d != double(qint64(d)) || d < 0 || d > 1'000'000)
        return false;
    out = qint32(d);
    return true;
}

} // namespace

QString KindKey(qint16 kind)
{
    switch (kind) {
    case kOutMembers: return QStringLiteral("members");
    case kOutHouseholds: return QStringLiteral("households");
    case kOutDeathRegister: return QStringLiteral("death");
    default: return QString();
    }
}

qint16 KindFromKey(const QString &key)
{
    if (key == QLatin1String("members"))
        return kOutMembers;
    if (key == QLatin1String("households"))
        return kOutHouseholds;
    if (key == QLatin1String("death"))
        return kOutDeathRegister;
    return -1;
}

LinkFile MakeLinkFile(qint16 kind, qint16 titleRows, const QList<DataLink> &links, const QStringList &titles,
                      const Catalogue &catalogue)
{
    LinkFile f;
    f.kind = kind;
    f.titleRows = titleRows;
    for (const DataLink &l : links) {
        SavedLink s;
        s.source = l.sourceColumn;
        s.target = l.importColumn;
        if (titleRows == 1)
            s.sourceTitle = titles.value(l.sourceColumn).trimmed();
        if (l.importColumn >= 0 && l.importColumn < catalogue.size())
            s.targetName = catalogue.at(l.importColumn).name;
        f.links << s;
    }
    return f;
}

QByteArray LinkFileBytes(const LinkFile &file)
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), kLinkFileFormat);
    root.insert(QStringLiteral("version"), kLinkFileVersion);
    root.insert(QStringLiteral("kind"), KindKey(file.kind));
    root.insert(QStringLiteral("title"), file.titleRows == 1);
    QJsonArray links;
    for (const SavedLink &l : file.links) {
        QJsonObject o;
        o.insert(QStringLiteral("source"), l.source);
        o.insert(QStringLiteral("sourceTitle"), l.sourceTitle);
        o.insert(QStringLiteral("target"), l.target);
        o.insert(QStringLiteral("targetName"), l.targetName);
        links.append(o);
    }
    root.insert(QStringLiteral("links"), links);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool ParseLinkFile(const QByteArray &bytes, LinkFile &out, QString &error)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
        error = QStringLiteral("データリンクのファイルではありません（読めない形式です）。");
        return false;
    }
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != kLinkFileFormat) {
        error = QStringLiteral("データリンクのファイルではありません。");
        return false;
    }
    qint32 version = 0;
    if (!wholeNumber(root.value(QStringLiteral("version")), version) || version < 1) {
        error = QStringLiteral("データリンクのファイルの版がありません。");
        return false;
    }
    if (version > kLinkFileVersion) {
        error = QStringLiteral("このデータリンクは新しい版（%1）の tera-import で保存されています。この版で読めるのは %2 までです。")
                    .arg(version)
                    .arg(kLinkFileVersion);
        return false;
    }
    LinkFile f;
    f.kind = KindFromKey(root.value(QStringLiteral("kind")).toString());
    if (f.kind < 0) {
        error = QStringLiteral("データリンクの出力区分「%1」が分かりません。").arg(root.value(QStringLiteral("kind")).toString());
        return false;
    }
    f.titleRows = root.value(QStringLiteral("title")).toBool() ? 1 : 0;
    const QJsonValue links = root.value(QStringLiteral("links"));
    if (!links.isArray()) {
        error = QStringLiteral("データリンクにリンクの一覧がありません。");
        return false;
    }
    int n = 0;
    for (const QJsonValue &v : links.toArray()) {
        ++n;
        const QJsonObject o = v.toObject();
        SavedLink l;
        if (!wholeNumber(o.value(QStringLiteral("source")), l.source)
            || !wholeNumber(o.value(QStringLiteral("target")), l.target)) {
            error = QStringLiteral("データリンクの %1 番目のリンクに読込み列か書出し項目の番号がありません。").arg(n);
            return false;
        }
        l.sourceTitle = o.value(QStringLiteral("sourceTitle")).toString();
        l.targetName = o.value(QStringLiteral("targetName")).toString();
        f.links << l;
    }
    out = f;
    return true;
}

bool WriteLinkFile(const QString &path, const LinkFile &file, QString &error)
{
    const Outcome r = WriteWholeFile(path, LinkFileBytes(file));
    if (!r.ok)
        error = r.message;
    return r.ok;
}

bool ReadLinkFile(const QString &path, LinkFile &out, QString &error)
{
    QByteArray bytes;
    const Outcome r = ReadWholeFile(path, bytes);
    if (!r.ok) {
        error = r.message;
        return false;
    }
    if (!ParseLinkFile(bytes, out, error)) {
        error = QDir::toNativeSeparators(path) + kCrLf + error;
        return false;
    }
    return true;
}

LinkMatch MatchSavedLinks(const LinkFile &file, const QStringList &titles, int cols, const Catalogue &catalogue)
{
    LinkMatch m;
    auto titleAt = [&](int c) { return titles.value(c).trimmed(); };
    for (const SavedLink &l : file.links) {
        if (l.target < 0 || l.target >= catalogue.size() || catalogue.at(l.target).name.isEmpty()
            || catalogue.at(l.target).noLink == 1
            || (!l.targetName.isEmpty() && catalogue.at(l.target).name != l.targetName)) {
            m.refused << QStringLiteral("書出し項目 %1「%2」").arg(l.target).arg(l.targetName);
            continue;
        }
        const QString saved = l.sourceTitle.trimmed();
        int column = -1;
        if (saved.isEmpty() || file.titleRows != 1) {
            if (l.source < cols)
                column = l.source;
        } else if (l.source < cols && titleAt(l.source) == saved) {
            column = l.source;
        } else {
            for (int c = 0; c < cols; ++c)
                if (titleAt(c) == saved) {
                    column = c;
                    break;
                }
            if (column >= 0)
                m.moved << QStringLiteral("「%1」: 読込み列 %2 → %3").arg(saved).arg(l.source).arg(column);
        }
        if (column < 0) {
            m.missing << (saved.isEmpty() ? QStringLiteral("読込み列 %1（今のファイルは %2 列）").arg(l.source).arg(cols)
                                          : QStringLiteral("読込み列 %1「%2」").arg(l.source).arg(saved));
            continue;
        }
        m.links << DataLink{column, l.target};
    }
    return m;
}

QString LinkMatchMessage(const LinkMatch &match)
{
    QStringList lines;
    if (!match.missing.isEmpty()) {
        lines << QStringLiteral("次の読込み列が今のファイルにないため、そのリンクは読み込みませんでした:");
        for (const QString &s : match.missing)
            lines << QStringLiteral("  %1").arg(s);
    }
    if (!match.refused.isEmpty()) {
        lines << QStringLiteral("次の書出し項目はこの出力区分でリンクできないため、読み込みませんでした:");
        for (const QString &s : match.refused)
            lines << QStringLiteral("  %1").arg(s);
    }
    if (!match.moved.isEmpty()) {
        lines << QStringLiteral("次の列は表題が同じ別の列にリンクしました:");
        for (const QString &s : match.moved)
            lines << QStringLiteral("  %1").arg(s);
    }
    return lines.join(kCrLf);
}

} // namespace tera
