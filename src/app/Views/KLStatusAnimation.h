#pragma once

#include <QObject>
#include <QTimer>

class KLScaleToFillImageView;

// The two animations of the drop zone, ten frames a second: while idle an arrow bobs over the TV
// ("arrow-down" 01 to 15 in a loop); while busy the arrow dives into it ("arrow-end" 01 to 13, once) and
// static fills the screen ("noise" 01 to 05 once, then 06 to 50 in a loop). The arrow frames go to one
// layer, the static to another; only one layer shows at a time. Main thread only.
class KLStatusAnimation final : public QObject {
    Q_OBJECT

public:
    static constexpr int frameMilliseconds = 100;
    static constexpr unsigned arrowFrames = 15;
    static constexpr unsigned arrowEndFrames = 13;
    static constexpr unsigned noiseIntroFrames = 5;
    static constexpr unsigned noiseFrames = 50;

    KLStatusAnimation(KLScaleToFillImageView *arrowLayer, KLScaleToFillImageView *staticLayer,
                      QObject *parent = nullptr);

    void startAnimatingArrow();
    void stopAnimatingArrow();
    void updateArrowFrame();
    void startAnimatingStatic();
    void stopAnimatingStatic();
    void updateStaticFrame();

    bool animatingArrow() const { return m_arrowTimer.isActive(); }
    bool animatingStatic() const { return m_staticTimer.isActive(); }
    unsigned arrowFrame() const { return m_arrowFrame; }
    unsigned staticFrame() const { return m_staticFrame; }
    int staticAnimationState() const { return m_staticAnimationState; }

private:
    static QString frameName(const char *sequence, unsigned number);
    void showLayer(bool arrow);

    KLScaleToFillImageView *m_arrowLayer;
    KLScaleToFillImageView *m_staticLayer;
    QTimer m_arrowTimer;
    unsigned m_arrowFrame = 0;
    QTimer m_staticTimer;
    unsigned m_staticFrame = 0;
    // 0: the arrow dives in; 1: the static fades in; 2: the static loops.
    int m_staticAnimationState = 0;
};
