#include "Views/Other/KLScaleToFillImageView.h"

#include "Views/Utils/KLArtwork.h"

#include <QPainter>

KLScaleToFillImageView::KLScaleToFillImageView(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void KLScaleToFillImageView::setImageName(const QString &name) {
    if (name == m_imageName && m_image.isNull()) {
        return;
    }
    m_imageName = name;
    m_image = QImage();
    update();
}

void KLScaleToFillImageView::setImage(const QImage &image) {
    m_image = image;
    m_imageName.clear();
    update();
}

void KLScaleToFillImageView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    if (!m_image.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), m_image);
    } else if (!m_imageName.isEmpty()) {
        painter.drawPixmap(rect(), KLArtwork::pixmap(m_imageName, size(), devicePixelRatioF()));
    }
}
