#pragma once
#include <QDialog>
#include <QPointer>
#include <functional>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tera {

class GridModel;

// dlgRowCol (行・列の設定): row heights and column widths of the import table,
// in twips. Enter in a box applies its size at once, to the current row
// (column) or to all of them; 閉じる only hides. One for the whole program,
// made on first use, so its boxes and options keep their last state.
class dlgRowCol : public QDialog {
    Q_OBJECT
public:
    static dlgRowCol &instance();

    // The table the sizes go to; set by the caller before showing.
    void setGrid(GridModel *grid) { m_grid = grid; }
    GridModel *grid() const { return m_grid; }

    // 行の高さ: Text1 with Option2 ｶﾚﾝﾄ行 / Option1 全ての行.
    QLineEdit *Text1;
    QRadioButton *Option1;
    QRadioButton *Option2;
    // 列の幅: Text2 with Option4 (the current column) / Option3 全ての列.
    QLineEdit *Text2;
    QRadioButton *Option3;
    QRadioButton *Option4;
    QPushButton *Command1; // 閉じる

    std::function<void()> beep;

    // Shows the dialog modally over owner for grid.
    void showFor(QWidget *owner, GridModel *grid);
    void Form_Activate();

    // What Enter in Text1 and Text2 does.
    void applyRowHeight();
    void applyColWidth();

private:
    dlgRowCol();
    void soundBeep();
    QPointer<GridModel> m_grid;
};

} // namespace tera
