#include "gridtools/grid_commands.h"

#include "gridtools/input_dialog.h"
#include "gridtools/row_column_dialog.h"
#include "gridtools/sort_dialog.h"
#include "gridtools/grid_view.h"
#include "gridtools/file_dialogs.h"
#include "gridtools/file_kind_chooser.h"
#include "platform/grid_model.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace tera {

QString GridToolText::overwriteQuestion(const QString &docName)
{
    return QStringLiteral("ﾌｧｲﾙ:") + docName + QStringLiteral("\r\n") + QStringLiteral("に上書きしてよろしいですか？");
}

namespace {

// Line ends as the clipboard may hand them back (some platforms turn CR LF
// into LF and back).
QString sameLineEnds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

GridCommands::GridCommands(QWidget *window, GridModel &grid, GridView *view, QString &docName, Prompt &prompt,
                           FileKindChooser &kinds)
    : QObject(window), m_window(window), m_grid(grid), m_view(view), m_docName(docName), m_prompt(prompt), m_kinds(kinds)
{
    openFileName = [this](const QString &filter, const QString &initialName) {
        return OpenFileDialog(m_window, filter, initialName, QStringLiteral("grid"));
    };
    saveFileName = [this](const QString &filter, const QString &proposedName) {
        return SaveFileDialog(m_window, filter, proposedName, QStringLiteral("grid"));
    };
    putClipboard = [](const QString &text) {
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (!clipboard)
            return false;
        clipboard->setText(text);
        // Another program holding the clipboard open leaves the old contents.
        return sameLineEnds(clipboard->text()) == sameLineEnds(text);
    };
    readClipboard = []() -> std::optional<QString> {
        QClipboard *clipboard = QGuiApplication::clipboard();
        const QMimeData *data = clipboard ? clipboard->mimeData() : nullptr;
        if (!data)
            return std::nullopt;
        return data->hasText() ? data->text() : QString();
    };
    askSaveFirst = [this](const QString &text) {
        return m_prompt.ask(text, Buttons::YesNoCancel, Icon::None);
    };
    askClose = [this](const QString &text) {
        return m_prompt.askWithCaption(text, GridToolText::kCloseCaption, Buttons::YesNo, Icon::Exclamation);
    };
}

void GridCommands::show(const QString &text, Icon icon) { m_prompt.message(text, icon); }

// ---------------------------------------------------------------- documents

void GridCommands::FileNew()
{
    const Answer answer = askSaveFirst ? askSaveFirst(GridToolText::kSaveFirst) : Answer::Cancel;
    if (answer != Answer::Yes && answer != Answer::No)
        return;
    // A save that was asked for and failed keeps the table: clearing it now
    // would lose what the user wanted kept. A save the user cancelled goes on.
    if (answer == Answer::Yes && FileSave() == SaveOutcome::Failed)
        return;
    bool ok = true;
    {
        BusyPointer busy;
        m_grid.Clear();
        ok &= m_grid.setCols(0);
        ok &= m_grid.setRows(0);
        ok &= m_grid.setCols(10);
        ok &= m_grid.setRows(50);
        ok &= m_grid.setFixedCols(1);
        ok &= m_grid.setFixedRows(1);
        if (m_view)
            m_view->Refresh();
        m_docName = GridToolText::kUnknownDoc;
    }
    if (!ok)
        show(GridToolText::kNewFailed);
}

void GridCommands::FileOpen()
{
    const QString name = openFileName ? openFileName(GridToolText::kFilter, QString()) : QString();
    if (name.isEmpty())
        return;
    m_docName = name;
    if (m_window)
        m_window->setWindowTitle(GridToolText::kOpenedCaption + name);
    const std::optional<int> kind = m_kinds.chooseFileKind(m_window, name);
    if (!kind) {
        show(GridToolText::kCancelled, Icon::None);
        return;
    }
    QString sheet;
    if (chooseSheet && GridFileKind(*kind) == GridFileKind::Workbook) {
        const std::optional<QString> chosen = chooseSheet(name);
        if (!chosen) {
            show(GridToolText::kCancelled, Icon::None);
            return;
        }
        sheet = *chosen;
    }
    QCoreApplication::processEvents();
    Outcome result;
    {
        BusyPointer busy;
        result = sheet.isEmpty() ? m_grid.LoadGrid(name, GridFileKind(*kind)) : m_grid.LoadSheet(name, sheet);
    }
    // The table stays as it was when the load fails; a warning comes with a
    // table that did load.
    if (!result.ok)
        show(result.message, Icon::Exclamation);
    else if (result.hasWarning())
        show(result.message, Icon::Information);
}

GridCommands::SaveOutcome GridCommands::FileSave()
{
    // A name without a folder (Unknown.vsg) is saved in the program's folder.
    const QString path = m_documentFolder.isEmpty() ? m_docName : QDir(m_documentFolder).absoluteFilePath(m_docName);
    if (QFileInfo::exists(path)
        && m_prompt.ask(GridToolText::overwriteQuestion(m_docName), Buttons::OkCancel, Icon::None) != Answer::Ok)
        return SaveOutcome::Cancelled;
    // The kinds that fit the name, as Open offers them: a .vsg table must not
    // be written as comma text only because a .csv was read last.
    const std::optional<int> kind = m_kinds.chooseFileKind(m_window, m_docName);
    if (!kind) {
        show(GridToolText::kCancelled, Icon::None);
        return SaveOutcome::Cancelled;
    }
    Outcome result;
    {
        BusyPointer busy;
        result = m_grid.SaveGrid(path, GridFileKind(*kind));
    }
    if (!result.ok) {
        show(result.message, Icon::Exclamation);
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

void GridCommands::FileSaveAs()
{
    const QString name = saveFileName ? saveFileName(GridToolText::kFilter, m_docName) : QString();
    if (name.isEmpty())
        return;
    const QString previous = m_docName;
    m_docName = name;
    const std::optional<int> kind = m_kinds.chooseFileKind(m_window, name);
    if (!kind) {
        show(GridToolText::kCancelled, Icon::None);
        return;
    }
    Outcome result;
    {
        BusyPointer busy;
        result = m_grid.SaveGrid(name, GridFileKind(*kind));
    }
    if (!result.ok) {
        // Nothing was written under the new name, so the table keeps its old one.
        m_docName = previous;
        show(result.message, Icon::Exclamation);
    }
}

bool GridCommands::confirmClose()
{
    return askClose && askClose(GridToolText::kCloseQuestion) == Answer::Yes;
}

// ---------------------------------------------------------------- clipboard

QString GridCommands::RangeText(const GridModel &grid, const QString &rowEnd)
{
    const int r1 = std::min(grid.Row(), grid.RowSel()), r2 = std::max(grid.Row(), grid.RowSel());
    const int c1 = std::min(grid.Col(), grid.ColSel()), c2 = std::max(grid.Col(), grid.ColSel());
    QString text;
    for (int r = r1; r <= r2; ++r) {
        for (int c = c1; c <= c2; ++c) {
            if (c > c1)
                text.append(QLatin1Char('\t'));
            text.append(grid.cellView(r, c));
        }
        text.append(rowEnd);
    }
    return text;
}

void GridCommands::EditCopy()
{
    if (m_grid.Row() < 0 || m_grid.Col() < 0)
        return;
    if (!putClipboard || !putClipboard(RangeText(m_grid, QStringLiteral("\r\n"))))
        show(GridToolText::kClipboardNotWritten);
}

void GridCommands::EditCut()
{
    if (m_grid.Row() < 0 || m_grid.Col() < 0)
        return;
    // The cells are emptied only once the clipboard holds their texts.
    if (!putClipboard || !putClipboard(RangeText(m_grid, QStringLiteral("\r")))) {
        show(GridToolText::kClipboardNotWritten);
        return;
    }
    const int r1 = std::min(m_grid.Row(), m_grid.RowSel()), r2 = std::max(m_grid.Row(), m_grid.RowSel());
    const int c1 = std::min(m_grid.Col(), m_grid.ColSel()), c2 = std::max(m_grid.Col(), m_grid.ColSel());
    for (int r = r1; r <= r2; ++r)
        for (int c = c1; c <= c2; ++c)
            m_grid.setTextMatrix(r, c, QString());
}

void GridCommands::EditPaste()
{
    if (m_grid.Row() < 0 || m_grid.Col() < 0)
        return;
    const std::optional<QString> text = readClipboard ? readClipboard() : std::nullopt;
    if (!text) {
        show(GridToolText::kClipboardNotRead);
        return;
    }
    if (text->isEmpty()) {
        show(GridToolText::kClipboardNoText, Icon::Information);
        return;
    }
    m_grid.setClip(*text);
}

void GridCommands::EditClear()
{
    if (m_grid.Row() < 0 || m_grid.Col() < 0 || !m_grid.Editable())
        return;
    const int r1 = std::min(m_grid.Row(), m_grid.RowSel()), r2 = std::max(m_grid.Row(), m_grid.RowSel());
    const int c1 = std::min(m_grid.Col(), m_grid.ColSel()), c2 = std::max(m_grid.Col(), m_grid.ColSel());
    for (int r = r1; r <= r2; ++r)
        for (int c = c1; c <= c2; ++c)
            if (!m_grid.isFixedCell(r, c))
                m_grid.setTextMatrix(r, c, QString());
}

void GridCommands::EditSelectAll()
{
    if (m_grid.Rows() <= m_grid.FixedRows() || m_grid.Cols() <= m_grid.FixedCols())
        return;
    m_grid.select(m_grid.FixedRows(), m_grid.FixedCols(), m_grid.Rows() - 1, m_grid.Cols() - 1);
}

// ---------------------------------------------------------------- rows

void GridCommands::RowIns()
{
    if (m_grid.Row() < 0)
        return;
    if (m_grid.Rows() >= GridModel::kMaxRows)
        show(GridToolText::kRowsFull);
    else if (!m_grid.AddItem(QString(), m_grid.Row()))
        show(GridToolText::kRowNotInserted);
}

void GridCommands::RowAdd()
{
    // Directly below the current row; without one, directly below the
    // headings, which always stay on top.
    const int index = std::max(m_grid.Row() + 1, m_grid.FixedRows());
    if (m_grid.Rows() >= GridModel::kMaxRows)
        show(GridToolText::kRowsFull);
    else if (!m_grid.AddItem(QString(), index))
        show(GridToolText::kRowNotInserted);
}

void GridCommands::RowDel()
{
    if (m_grid.Row() < 0)
        return;
    if (!m_grid.RemoveItem(m_grid.Row()))
        show(GridToolText::kRowNotDeleted);
}

void GridCommands::RowMov()
{
    if (m_grid.Row() < 0)
        return;
    InputDialog &input = inputDialog();
    input.promptText = GridToolText::kMoveRowPrompt;
    input.upper = m_grid.Rows() - 1;
    input.lower = 0;
    if (!input.ask(m_window))
        return;
    if (!m_grid.setRowPosition(m_grid.Row(), input.value))
        show(GridToolText::kRowNotMoved);
}

// ---------------------------------------------------------------- columns

bool GridCommands::addColumnAt(int index)
{
    if (columnsAreItems) {
        show(GridToolText::kItemColNotInserted);
        return false;
    }
    if (m_grid.Cols() >= GridModel::kMaxCols) {
        show(GridToolText::kColsFull);
        return false;
    }
    const int last = m_grid.Cols();
    if (!m_grid.setCols(last + 1)) {
        show(GridToolText::kColsFull);
        return false;
    }
    if (!m_grid.setColPosition(last, index)) {
        // The new column goes again: the table is as it was.
        m_grid.setCols(last);
        show(GridToolText::kColNotInserted);
        return false;
    }
    return true;
}

void GridCommands::ColIns()
{
    if (m_grid.Col() < 0) {
        show(GridToolText::kNoCurrentCol);
        return;
    }
    addColumnAt(m_grid.Col());
}

void GridCommands::ColAdd()
{
    // Right of the current column; without one, right of the headings.
    addColumnAt(std::max(m_grid.Col() + 1, m_grid.FixedCols()));
}

void GridCommands::ColDel()
{
    if (m_grid.Col() < 0) {
        show(GridToolText::kNoCurrentCol);
        return;
    }
    if (columnsAreItems) {
        if (m_grid.Col() < m_grid.FixedCols()) {
            show(GridToolText::kColNotDeleted);
            return;
        }
        for (int r = m_grid.FixedRows(); r < m_grid.Rows(); ++r)
            m_grid.setTextMatrix(r, m_grid.Col(), QString());
        return;
    }
    // The column goes to the end and the count drops; a refused move must
    // not cost the table its last column instead.
    if (!m_grid.setColPosition(m_grid.Col(), m_grid.Cols() - 1)) {
        show(GridToolText::kColNotDeleted);
        return;
    }
    m_grid.setCols(m_grid.Cols() - 1);
}

void GridCommands::ColMov()
{
    if (m_grid.Col() < 0) {
        show(GridToolText::kNoCurrentCol);
        return;
    }
    if (columnsAreItems) {
        show(GridToolText::kItemColNotMoved);
        return;
    }
    InputDialog &input = inputDialog();
    input.promptText = GridToolText::kMoveColPrompt;
    input.upper = m_grid.Cols() - 1;
    input.lower = 0;
    if (!input.ask(m_window))
        return;
    if (!m_grid.setColPosition(m_grid.Col(), input.value))
        show(GridToolText::kColNotMoved);
}

// ---------------------------------------------------------------- dialogs and the rest

void GridCommands::ShowRowCol() { rowColumnDialog().showFor(m_window, &m_grid); }

void GridCommands::ShowSort() { sortDialog().showFor(m_window, &m_grid); }

// Made on first use and kept with the window, so each keeps what the user
// left in it from one use to the next.
InputDialog &GridCommands::inputDialog()
{
    if (!m_input)
        m_input = new InputDialog(m_window);
    return *m_input;
}

RowColumnDialog &GridCommands::rowColumnDialog()
{
    if (!m_rowColumn)
        m_rowColumn = new RowColumnDialog(m_window);
    return *m_rowColumn;
}

SortDialog &GridCommands::sortDialog()
{
    if (!m_sort)
        m_sort = new SortDialog(m_window);
    return *m_sort;
}

void GridCommands::editCurrentCell()
{
    if (m_grid.Row() >= 0 && m_grid.Editable() && m_view)
        m_view->EditCell();
}

void GridCommands::onToolbarButton(const QString &key)
{
    if (key == QStringLiteral("終了")) {
        if (m_window)
            m_window->close();
    } else if (key == QStringLiteral("新規作成")) {
        FileNew();
    } else if (key == QStringLiteral("開く")) {
        FileOpen();
    } else if (key == QStringLiteral("上書き保存")) {
        FileSave();
    } else if (key == QStringLiteral("ｺﾋﾟｰ")) {
        EditCopy();
    } else if (key == QStringLiteral("切り取り")) {
        EditCut();
    } else if (key == QStringLiteral("貼り付け")) {
        EditPaste();
    } else if (key == QStringLiteral("並べ替え")) {
        ShowSort();
    }
}

} // namespace tera
