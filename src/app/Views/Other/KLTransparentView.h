#pragma once

#include <QWidget>

// A view that only holds others: it fills its area with nothing, so what lies behind shows through.
class KLTransparentView final : public QWidget {
    Q_OBJECT

public:
    explicit KLTransparentView(QWidget *parent = nullptr);
};
