#pragma once
#include "convert/item_catalogue.h"
#include "transcribe/import_table_fill.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace tera {

// A saved data link: the pairs of the link grid with the output kind and the
// title option, so that a migration done in several attempts links its
// columns once. The file is UTF-8 JSON:
//
//   {
//     "format": "tera-import data link",
//     "version": 1,
//     "kind": "death",            // members | households | death
//     "title": true,              // 表題あり
//     "links": [
//       { "source": 0, "sourceTitle": "戒名", "target": 10, "targetName": "戒名" }
//     ]
//   }
//
// source is the 0-based column of the source file (Lpoj), target the
// catalogue slot (Rpoj); the titles are what the columns were called when the
// file was saved, so that a link still finds its column when the columns of
// the source file have moved. A reader refuses a version it does not know.
inline constexpr int kLinkFileVersion = 1;
inline const QString kLinkFileFormat = QStringLiteral("tera-import data link");

struct SavedLink {
    qint32 source = 0;   // Lpoj
    QString sourceTitle; // empty when the file had no title line
    qint32 target = 0;   // Rpoj
    QString targetName;  // the catalogue's field name of the slot
};

struct LinkFile {
    qint16 kind = kOutKindNone;
    qint16 titleRows = 0;
    QList<SavedLink> links;
    static constexpr qint16 kOutKindNone = -1;
};

// The command line's names of the kinds (members, households, death); -1 for
// any other text.
QString KindKey(qint16 kind);
qint16 KindFromKey(const QString &key);

// A link file from the link grid's pairs. titles are the source items' names
// (row 0 of the source table), stored only when titleRows is 1.
LinkFile MakeLinkFile(qint16 kind, qint16 titleRows, const QList<DataLink> &links, const QStringList &titles,
                      const Catalogue &catalogue);

QByteArray LinkFileBytes(const LinkFile &file);
// False with the reason in error for anything that is not a link file this
// version can read.
bool ParseLinkFile(const QByteArray &bytes, LinkFile &out, QString &error);
bool WriteLinkFile(const QString &path, const LinkFile &file, QString &error);
bool ReadLinkFile(const QString &path, LinkFile &out, QString &error);

// The saved links matched against the source file now loaded: titles are its
// items (row 0 of its source table), cols its column count. A link keeps its
// column when the title there is still the saved one (or when no title was
// saved and the column exists); a title found in another column moves the
// link there; otherwise the link is missing and left out. A target slot that
// the catalogue of the kind does not have, or may not link, is refused.
struct LinkMatch {
    QList<DataLink> links;
    QStringList missing; // source columns the current file does not have
    QStringList moved;   // links that found their title in another column
    QStringList refused; // target slots this catalogue does not take
    bool complete() const { return missing.isEmpty() && refused.isEmpty(); }
};
LinkMatch MatchSavedLinks(const LinkFile &file, const QStringList &titles, int cols, const Catalogue &catalogue);

// What a load could not do, for the user: the missing source columns by
// number and title, the refused targets, the moved links. Empty when all
// links were taken as saved.
QString LinkMatchMessage(const LinkMatch &match);

} // namespace tera
