#include "Views/Other/KLPassthroughTextField.h"

KLPassthroughTextField::KLPassthroughTextField(QWidget *parent) : QLabel(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}
