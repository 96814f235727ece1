#pragma once
#include <QString>
#include <optional>

class QWidget;

namespace tera {

// How a grid file is to be read or written (a GridFileKind as int), asked of
// the user. The windows implement it with their file-kind dialog; the grid
// tools only ask.
class FileKindChooser {
public:
    virtual ~FileKindChooser() = default;
    // Offers the kinds that fit path (by its extension) and asks over owner:
    // the kind chosen, or nothing when the user turned the question away.
    virtual std::optional<int> chooseFileKind(QWidget *owner, const QString &path) = 0;
};

} // namespace tera
