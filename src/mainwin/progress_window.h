#pragma once
#include "session/import_session.h"

#include <QDialog>
#include <QElapsedTimer>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tera {
struct TranscribeReport;

// ProgressWindow: the progress window of a transcription. Besides the run's own
// label and gauge it shows rows per second and the time left, and offers
// キャンセル, which stops the run after the row being written (each row is
// written whole or not at all, so a stop leaves nothing half-done).
//
// It repaints a few times a second rather than on every row: painting is
// slow next to writing a row. While it is up, the other windows take no
// input (it is application-modal), so nothing can change the table or the
// paths under the running transcription.
class ProgressWindow : public QDialog, public ProgressObserver {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget *parent = nullptr);

    QLabel *messageLabel; // the run's message
    QProgressBar *progressBar;
    QLabel *rateLabel; // rows per second
    QLabel *remainingLabel; // time left
    QPushButton *cancelButton; // キャンセル

    // Least time between two repaints; 0 repaints on every row.
    int repaintIntervalMs = 250;
    // Milliseconds since the window was made; tests and pictures set a clock.
    std::function<qint64()> elapsedMs;

    void status(const QString &text) override;
    void progress(int value, int maximum, const QString &text) override;
    void finished() override;
    bool cancelRequested() override { return m_cancel; }

    int repaints() const { return m_repaints; }

    static QString rateText(double rowsPerSecond);
    static QString remainText(qint64 seconds);

signals:
    // After each repaint, with the gauge's value.
    void repainted(int value);

public slots:
    void onCancelClicked();

protected:
    // Esc and the frame's close box ask for the stop too, rather than hiding
    // the window of a run that goes on.
    void reject() override;

private:
    void bringUp();
    void paintNow(int value, int maximum);

    QElapsedTimer m_clock;
    bool m_cancel = false;
    bool m_started = false; // the first row's time is known
    qint64 m_startMs = 0;
    int m_startValue = 0;
    qint64 m_lastPaintMs = -1;
    int m_repaints = 0;
    QString m_label;
};

// The closing note of a run: rows read, written and skipped (with the first
// reasons), or what stopped it. Empty when the run has already said all there
// is (declined questions, a failure reported on the spot).
QString RunSummaryText(const TranscribeReport &report);

} // namespace tera
