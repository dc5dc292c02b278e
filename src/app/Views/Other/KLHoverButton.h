#pragma once

#include <QIcon>
#include <QToolButton>

// A flat button that shows one picture normally and another while the pointer is over it.
class KLHoverButton final : public QToolButton {
    Q_OBJECT

public:
    explicit KLHoverButton(QWidget *parent = nullptr);

    QIcon defaultImage() const { return m_defaultImage; }
    void setDefaultImage(const QIcon &image);
    QIcon hoverImage() const { return m_hoverImage; }
    void setHoverImage(const QIcon &image);
    bool hovering() const { return m_hovering; }

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void showImage();

    QIcon m_defaultImage;
    QIcon m_hoverImage;
    bool m_hovering = false;
};
