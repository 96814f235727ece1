#pragma once
#include <QDialog>
#include <QPointer>
#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tera {

class GridModel;
class GridView;
class NumKeyFilter;

// dlgSort (ｿｰﾄの設定): sorts the rows of the import table with one of eleven
// modes. The grid sorts its own selection (rows Row..RowSel on the key
// columns Col..ColSel); the dialog only shows that range, lets the last mode
// give every key column a mode of its own in the key table vsfsort, and
// starts the sort. One for the whole program, made on first use, so the mode
// and the key table survive between uses.
class dlgSort : public QDialog {
    Q_OBJECT
public:
    static dlgSort &instance();

    // Caption of mode 0 to 9 ("3:文字列を数値に変換する（昇順）"); empty
    // for any other number.
    static QString GetComboStr(qint16 mode);
    // The mode a caption stands for: its first character when that is a
    // digit, else 0.
    static int GetComboNum(const QString &caption);

    void setGrid(GridModel *grid) { m_grid = grid; }
    GridModel *grid() const { return m_grid; }

    // ｷｰ範囲: Text1 Col, Text2 ColSel. ｿｰﾄ範囲: Text3 Row, Text4 RowSel.
    QLineEdit *Text1;
    QLineEdit *Text2;
    QLineEdit *Text3;
    QLineEdit *Text4;
    QComboBox *Combo1; // ｿｰﾄﾓｰﾄﾞ, modes 0 to 10
    GridView *vsfsort; // ｷｰ列番号 | ｿｰﾄﾓｰﾄﾞ, one row per key column in mode 10
    QPushButton *Command2; // ｿｰﾄ実行
    QPushButton *Command1; // 閉じる

    GridModel &keyTable() { return *m_keys; }
    // True while mode 10 is chosen.
    bool columnKeys() const { return mColKey; }
    // The captions of modes 0 to 9 joined by "|": the key table's drop-down.
    const QString &modeList() const { return mModeList; }

    std::function<void()> beep;

    // Shows the dialog modally over owner for grid.
    void showFor(QWidget *owner, GridModel *grid);
    void Form_Activate();
    void SetVsf();

public slots:
    void Combo1_Click();
    void Command2_Click();
    void vsfsort_Click(const QModelIndex &index);

private:
    dlgSort();
    void soundBeep();

    QPointer<GridModel> m_grid;
    GridModel *m_keys;
    bool mColKey = false;
    QString mModeList;
};

} // namespace tera
