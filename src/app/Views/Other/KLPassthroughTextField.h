#pragma once

#include <QLabel>

// A text shown over other views that never takes the pointer: clicks and drops go to the view below.
class KLPassthroughTextField final : public QLabel {
    Q_OBJECT

public:
    explicit KLPassthroughTextField(QWidget *parent = nullptr);
};
