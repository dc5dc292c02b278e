#include "Views/Other/KLTransparentView.h"

KLTransparentView::KLTransparentView(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}
