#include "ui/edit/editdialog.h"

#include "ui/common/framedwindow.h"
#include "ui/common/picturebutton.h"

#include <QLabel>
#include <QPainter>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initEditingQrc() {
    Q_INIT_RESOURCE(editing);
}

namespace ui {

void InitEditingResources() {
    static const bool once = (initEditingQrc(), true);
    (void)once;
}

EditDialog::EditDialog(const QString& caption, QSize clientSize, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    InitEditingResources();
    setWindowTitle(caption);
    setFixedSize(clientSize);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void EditDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintWhiteFrame(p, size(), kOrange);
}

QLabel* EditDialog::addLabel(const QString& name, const QString& text, QRect geometry) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

PictureButton* EditDialog::addButton(const QString& name, const QString& picture, const QString& hint,
                                     QPoint at) {
    auto* b = new PictureButton(name, picture, QSize(40, 40), this);
    b->setHint(hint);
    b->move(at);
    return b;
}

} // namespace ui
