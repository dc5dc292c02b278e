#pragma once

#include <QColor>
#include <QPushButton>

#include <functional>

// A button without frame or focus ring that fills itself with one colour, and with another while the
// pointer is over it; whoever owns it hears when the hovering starts and stops.
class KLPlainButton final : public QPushButton {
    Q_OBJECT

public:
    explicit KLPlainButton(QWidget *parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);
    QColor hoverColor() const { return m_hoverColor; }
    void setHoverColor(const QColor &color);
    bool hovering() const { return m_hovering; }
    void setHoverBlock(std::function<void(bool hovering)> block) { m_hoverBlock = std::move(block); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setHovering(bool hovering);

    QColor m_backgroundColor = Qt::transparent;
    QColor m_hoverColor = QColor(98, 163, 245);
    bool m_hovering = false;
    std::function<void(bool)> m_hoverBlock;
};
