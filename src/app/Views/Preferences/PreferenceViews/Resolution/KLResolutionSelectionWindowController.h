#pragma once

#include <QDialog>
#include <QSizeF>

class QDialogButtonBox;
class QLineEdit;

// Asks for a frame size of the user's own, width and height in pixels, window-modal over the pane. OK is
// offered only while both are whole numbers greater than 0.
class KLResolutionSelectionWindowController final : public QDialog {
    Q_OBJECT

public:
    explicit KLResolutionSelectionWindowController(const QSizeF &size, QWidget *parent = nullptr);

    QSizeF chosenSize() const;
    QLineEdit *widthField() const { return m_width; }
    QLineEdit *heightField() const { return m_height; }
    bool acceptable() const;

Q_SIGNALS:
    void chosen(const QSizeF &size);

private:
    void updateOk();

    QLineEdit *m_width;
    QLineEdit *m_height;
    QDialogButtonBox *m_buttons;
};
