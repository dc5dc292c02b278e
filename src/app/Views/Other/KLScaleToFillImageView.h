#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

// Shows one picture stretched to fill the view, each axis on its own: a picture of the artwork by its name
// (drawn afresh at the view's size and screen scale, so it stays crisp) or any image (a thumbnail).
class KLScaleToFillImageView final : public QWidget {
    Q_OBJECT

public:
    explicit KLScaleToFillImageView(QWidget *parent = nullptr);

    QString imageName() const { return m_imageName; }
    void setImageName(const QString &name);
    QImage image() const { return m_image; }
    void setImage(const QImage &image);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_imageName;
    QImage m_image;
};
