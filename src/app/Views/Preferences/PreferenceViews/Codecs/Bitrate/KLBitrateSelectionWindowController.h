#pragma once

#include <QDialog>

#include <cstdint>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;

// Asks for a bitrate of the user's own: a number and its units ("bps", "kbps", "mbps"), window-modal over
// the pane. OK is offered only while the number is greater than 1.
class KLBitrateSelectionWindowController final : public QDialog {
    Q_OBJECT

public:
    explicit KLBitrateSelectionWindowController(uint64_t bitrate, QWidget *parent = nullptr);

    // The bitrate the fields make, in bits per second.
    uint64_t bitrate() const;
    QLineEdit *numberField() const { return m_number; }
    QComboBox *unitsPopUp() const { return m_units; }
    bool acceptable() const;

Q_SIGNALS:
    void chosen(uint64_t bitrate);

private:
    void updateOk();

    QLineEdit *m_number;
    QComboBox *m_units;
    QDialogButtonBox *m_buttons;
};
