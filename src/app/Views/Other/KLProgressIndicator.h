#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

// The circular progress of an entry's row: a grey disc and track, and on it either a segment that starts at
// the top and grows clockwise with the progress, or, while progress cannot be measured, a tail in the same
// colour that fades in behind its head as it turns round the ring.
class KLProgressIndicator final : public QWidget {
    Q_OBJECT
    // What the ring's accessible interface reads.
    Q_PROPERTY(double progress READ progress)
    Q_PROPERTY(bool indeterminate READ indeterminate)

public:
    static constexpr double ringWidth = 5.0;
    static constexpr double tailStep = 0.04; // radians per tick of the indeterminate timer
    static constexpr int ticksPerSecond = 36;

    explicit KLProgressIndicator(QWidget *parent = nullptr);

    double progress() const { return m_progress; }
    void setProgress(double progress);
    QColor foregroundColor() const { return m_foregroundColor; }
    void setForegroundColor(const QColor &color);
    bool indeterminate() const { return m_indeterminate; }
    void setIndeterminate(bool indeterminate);
    double currentIndeterminateAngle() const { return m_currentIndeterminateAngle; }

    // Advances the tail by one tick (the timer calls it).
    void advanceTail();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Strokes the arc of the ring from `start` to `end` (radians, clockwise on screen from the right).
    void drawRingPiece(QPainter &painter, double start, double end, const QColor &color) const;
    void drawTail(QPainter &painter) const;
    double ringRadius() const;
    QPointF centre() const;

    double m_progress = 0.0;
    QColor m_foregroundColor = Qt::white;
    bool m_indeterminate = false;
    double m_currentIndeterminateAngle;
    QTimer m_timer;
};
