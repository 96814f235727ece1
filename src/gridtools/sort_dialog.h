#pragma once
#include <QDialog>
#include <QPointer>
#include <functional>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace tera {

class GridModel;
class GridView;
class NumKeyFilter;

// The sort dialog (ｿｰﾄの設定, object name dlgSort): sorts the rows of the import table with one of eleven
// modes. The grid sorts its own selection (rows Row..RowSel on the key
// columns Col..ColSel); the dialog only shows that range, lets the last mode
// give every key column a mode of its own in the key table keyGrid, and
// starts the sort. The grid commands keep one with their window, so the mode
// and the key table survive between uses.
class SortDialog : public QDialog {
    Q_OBJECT
public:
    explicit SortDialog(QWidget *parent = nullptr);

    // Caption of mode 0 to 9 ("3:文字列を数値に変換する（昇順）"); empty
    // for any other number.
    static QString modeCaption(qint16 mode);
    // The mode a caption stands for: its first character when that is a
    // digit, else 0.
    static int modeOfCaption(const QString &caption);

    void setGrid(GridModel *grid) { m_grid = grid; }
    GridModel *grid() const { return m_grid; }

    // ｷｰ範囲: keyFirstColEdit Col, keyLastColEdit ColSel. ｿｰﾄ範囲: firstRowEdit Row, lastRowEdit RowSel.
    QLineEdit *keyFirstColEdit;
    QLineEdit *keyLastColEdit;
    QLineEdit *firstRowEdit;
    QLineEdit *lastRowEdit;
    QComboBox *modeBox; // ｿｰﾄﾓｰﾄﾞ, modes 0 to 10
    GridView *keyGrid; // ｷｰ列番号 | ｿｰﾄﾓｰﾄﾞ, one row per key column in mode 10
    QPushButton *sortButton; // ｿｰﾄ実行
    QPushButton *closeButton; // 閉じる

    GridModel &keyTable() { return *m_keys; }
    // True while mode 10 is chosen.
    bool columnKeys() const { return m_columnKeys; }
    // The captions of modes 0 to 9 joined by "|": the key table's drop-down.
    const QString &modeList() const { return m_modeList; }

    std::function<void()> beep;

    // Shows the dialog modally over owner for grid.
    void showFor(QWidget *owner, GridModel *grid);
    void prepare();
    void fillKeyGrid();

public slots:
    void onModeChosen();
    void onSortClicked();
    void onKeyGridClicked(const QModelIndex &index);

private:
    void soundBeep();
    // The constructor's steps, in the order the widgets are made.
    void buildRangeEdits();
    QGroupBox *rangeBox(const QString &title, const QString &firstLabel, QLineEdit *first, const QString &lastLabel,
                        QLineEdit *last);
    void buildKeyGrid();
    void buildButtons();
    void loadModes();

    QPointer<GridModel> m_grid;
    GridModel *m_keys;
    bool m_columnKeys = false;
    QString m_modeList;
};

} // namespace tera
