#pragma once
#include <QDialog>
#include <QPointer>
#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tera {

class GridModel;

// The row/column dialog (行・列の設定, object name dlgRowCol): row heights and
// column widths of the import table, in twips. Enter in a box applies its
// size at once, to the current row (column) or to all of them; 閉じる only
// hides. The grid commands keep one with their window, so its boxes and
// options keep their last state.
class RowColumnDialog : public QDialog {
    Q_OBJECT
public:
    explicit RowColumnDialog(QWidget *parent = nullptr);

    // The table the sizes go to; set by the caller before showing.
    void setGrid(GridModel *grid) { m_grid = grid; }
    GridModel *grid() const { return m_grid; }

    // 行の高さ: rowHeightEdit with currentRowButton ｶﾚﾝﾄ行 / allRowsButton 全ての行.
    QLineEdit *rowHeightEdit;
    QRadioButton *allRowsButton;
    QRadioButton *currentRowButton;
    // 列の幅: colWidthEdit with currentColButton (the current column) / allColsButton 全ての列.
    QLineEdit *colWidthEdit;
    QRadioButton *allColsButton;
    QRadioButton *currentColButton;
    QPushButton *closeButton; // 閉じる

    std::function<void()> beep;

    // Shows the dialog modally over owner for grid.
    void showFor(QWidget *owner, GridModel *grid);
    void prepare();

    // What Enter in rowHeightEdit and colWidthEdit does.
    void applyRowHeight();
    void applyColWidth();

private:
    void soundBeep();
    // The constructor's steps, in the order the widgets are made.
    QLineEdit *sizeBox(const QString &name, std::function<void()> onEnter);
    QGroupBox *buildRowBox();
    QGroupBox *buildColumnBox();
    QPointer<GridModel> m_grid;
};

} // namespace tera
