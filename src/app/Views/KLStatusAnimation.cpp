#include "Views/KLStatusAnimation.h"

#include "Views/Other/KLScaleToFillImageView.h"

KLStatusAnimation::KLStatusAnimation(KLScaleToFillImageView *arrowLayer, KLScaleToFillImageView *staticLayer,
                                     QObject *parent)
    : QObject(parent), m_arrowLayer(arrowLayer), m_staticLayer(staticLayer) {
    m_arrowTimer.setInterval(frameMilliseconds);
    m_staticTimer.setInterval(frameMilliseconds);
    connect(&m_arrowTimer, &QTimer::timeout, this, &KLStatusAnimation::updateArrowFrame);
    connect(&m_staticTimer, &QTimer::timeout, this, &KLStatusAnimation::updateStaticFrame);
}

QString KLStatusAnimation::frameName(const char *sequence, unsigned number) {
    return QString::asprintf("%s_%.2u@2x.png", sequence, number);
}

void KLStatusAnimation::showLayer(bool arrow) {
    m_arrowLayer->setVisible(arrow);
    m_staticLayer->setVisible(!arrow);
}

void KLStatusAnimation::startAnimatingArrow() {
    stopAnimatingArrow();
    showLayer(true);
    m_arrowLayer->setImageName(QStringLiteral("arrow-down_01@2X.png"));
    m_arrowTimer.start();
}

void KLStatusAnimation::stopAnimatingArrow() {
    m_arrowTimer.stop();
    m_arrowFrame = 0;
}

void KLStatusAnimation::updateArrowFrame() {
    m_arrowLayer->setImageName(frameName("arrow-down", m_arrowFrame + 1));
    m_arrowFrame = (m_arrowFrame + 1) % arrowFrames;
}

void KLStatusAnimation::startAnimatingStatic() {
    // Started twice, it would otherwise run two timers at once and play at double speed.
    stopAnimatingStatic();
    showLayer(true);
    m_staticAnimationState = 0;
    m_arrowLayer->setImageName(QStringLiteral("arrow-end_01@2X.png"));
    m_staticTimer.start();
}

void KLStatusAnimation::stopAnimatingStatic() {
    m_staticTimer.stop();
    m_staticFrame = 0;
}

void KLStatusAnimation::updateStaticFrame() {
    if (m_staticAnimationState == 0) {
        m_arrowLayer->setImageName(frameName("arrow-end", m_staticFrame + 1));
    } else {
        m_staticLayer->setImageName(frameName("noise", m_staticFrame + 1));
    }
    ++m_staticFrame;
    if (m_staticAnimationState == 0 && m_staticFrame == arrowEndFrames) {
        m_staticFrame = 0;
        m_staticAnimationState = 1;
        showLayer(false);
    } else if (m_staticAnimationState == 1 && m_staticFrame == noiseIntroFrames) {
        m_staticAnimationState = 2;
    } else if (m_staticAnimationState == 2 && m_staticFrame == noiseFrames) {
        m_staticFrame = noiseIntroFrames;
    }
}
