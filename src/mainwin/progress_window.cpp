#include "mainwin/progress_window.h"

#include "session/import_session.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tera {

ProgressWindow::ProgressWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGage"));
    setWindowTitle(QStringLiteral("転記中"));
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    messageLabel = new QLabel(this);
    messageLabel->setObjectName(QStringLiteral("Label1"));
    messageLabel->setMinimumWidth(360);
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar->setRange(0, 0);
    rateLabel = new QLabel(rateText(-1), this);
    rateLabel->setObjectName(QStringLiteral("lblRate"));
    remainingLabel = new QLabel(remainText(-1), this);
    remainingLabel->setObjectName(QStringLiteral("lblRemain"));
    cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    cancelButton->setObjectName(QStringLiteral("cmdCancel"));
    connect(cancelButton, &QPushButton::clicked, this, &ProgressWindow::onCancelClicked);

    auto *figures = new QHBoxLayout;
    figures->addWidget(rateLabel);
    figures->addStretch(1);
    figures->addWidget(remainingLabel);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel);
    layout->addWidget(progressBar);
    layout->addLayout(figures);
    layout->addLayout(buttons);

    m_clock.start();
    elapsedMs = [this] { return m_clock.elapsed(); };
}

QString ProgressWindow::rateText(double rowsPerSecond)
{
    if (rowsPerSecond < 0)
        return QStringLiteral("毎秒 ― 行");
    return QStringLiteral("毎秒 %1 行").arg(rowsPerSecond, 0, 'f', rowsPerSecond < 10 ? 1 : 0);
}

QString ProgressWindow::remainText(qint64 seconds)
{
    if (seconds < 0)
        return QStringLiteral("残り時間を計算しています");
    if (seconds < 60)
        return QStringLiteral("残り 約 %1 秒").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("残り 約 %1 分 %2 秒").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("残り 約 %1 時間 %2 分").arg(seconds / 3600).arg((seconds % 3600) / 60, 2, 10, QLatin1Char('0'));
}

void ProgressWindow::bringUp()
{
    if (isVisible())
        return;
    show();
    raise();
    // The pointer over this window stays an arrow: its button is live.
    setCursor(Qt::ArrowCursor);
}

void ProgressWindow::status(const QString &text)
{
    m_label = text;
    messageLabel->setText(text);
    bringUp();
    ++m_repaints;
    QCoreApplication::processEvents();
}

void ProgressWindow::progress(int value, int maximum, const QString &text)
{
    m_label = text;
    const qint64 now = elapsedMs();
    if (!m_started) {
        m_started = true;
        m_startMs = now;
        m_startValue = value;
    }
    const bool due = m_lastPaintMs < 0 || now - m_lastPaintMs >= repaintIntervalMs || value >= maximum;
    if (!due)
        return;
    m_lastPaintMs = now;
    paintNow(value, maximum);
}

void ProgressWindow::paintNow(int value, int maximum)
{
    bringUp();
    messageLabel->setText(m_label);
    progressBar->setRange(0, qMax(0, maximum));
    progressBar->setValue(qBound(0, value, qMax(0, maximum)));
    // Row value is being written now: the rows before it are done.
    const int done = qMax(0, value - 1 - m_startValue);
    const qint64 spentMs = elapsedMs() - m_startMs;
    if (done > 0 && spentMs >= 500) {
        const double rate = done * 1000.0 / double(spentMs);
        rateLabel->setText(rateText(rate));
        const int left = qMax(0, maximum - value + 1);
        remainingLabel->setText(remainText(qint64(left / rate + 0.5)));
    }
    ++m_repaints;
    // Paints the window and takes a click on キャンセル; the other windows
    // are blocked while this one is up.
    QCoreApplication::processEvents();
    emit repainted(value);
}

void ProgressWindow::finished() { hide(); }

void ProgressWindow::onCancelClicked()
{
    m_cancel = true;
    cancelButton->setEnabled(false);
    messageLabel->setText(QStringLiteral("この行を書き終えたところで中止します"));
}

void ProgressWindow::reject() { onCancelClicked(); }

namespace {

QString rowNotes(const QString &heading, const QList<RowNote> &notes)
{
    constexpr int kShown = 10;
    QString out;
    if (notes.isEmpty())
        return out;
    out += QStringLiteral("\r\n") + heading;
    for (int i = 0; i < notes.size() && i < kShown; ++i)
        out += QStringLiteral("\r\n  %1 行目: %2").arg(notes.at(i).row).arg(notes.at(i).reason);
    if (notes.size() > kShown)
        out += QStringLiteral("\r\n  ほか %1 行").arg(notes.size() - kShown);
    return out;
}

} // namespace

QString RunSummaryText(const TranscribeReport &report)
{
    QString head;
    switch (report.outcome) {
    case TranscribeReport::Outcome::Completed:
        head = report.rolledBack.isEmpty()
                   ? QStringLiteral("転記が終わりました。")
                   : QStringLiteral("転記が終わりましたが、書き込めなかった行があります（未完了 %1 行）。").arg(report.rolledBack.size());
        break;
    case TranscribeReport::Outcome::Cancelled:
        head = QStringLiteral("転記をキャンセルしました。%1 行目まで処理しました。").arg(report.rowsRead);
        break;
    default:
        return QString();
    }
    QString text = head
                   + QStringLiteral("\r\n書き込み %1 行%3、スキップ %2 行")
                         .arg(report.rowsWritten)
                         .arg(report.skipped.size())
                         .arg(NewAndUpdatedText(report));
    if (!report.rolledBack.isEmpty())
        text += QStringLiteral("、未完了 %1 行").arg(report.rolledBack.size());
    text += rowNotes(QStringLiteral("スキップした行:"), report.skipped);
    text += rowNotes(QStringLiteral("未完了の行（失敗のため何も書き込んでいません）:"), report.rolledBack);
    // Left out, they are among the skipped rows already.
    if (!report.duplicatesSkipped)
        text += rowNotes(QStringLiteral("重複の可能性がある行（既にある行と同じ内容。書き込みました）:"), report.duplicates);
    if (report.kakoReplacedChars > 0)
        text += QStringLiteral("\r\nkako.rnd に書けない文字 %1 字を「?」にしました（データベースには元の文字のまま）。")
                    .arg(report.kakoReplacedChars);
    return text;
}

} // namespace tera
