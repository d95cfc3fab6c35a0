// The main-file chooser TF_MFile.
#include "editor/main_file_choice.h"
#include "gui/editor/editor_texts.h"
#include "gui/editor/editor_window.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zerka::gui {

namespace {

// The list copies an entry into the field on the space key as well as on a double click.
class PathList : public QListWidget {
  public:
    using QListWidget::QListWidget;
    std::function<void(int)> onPick;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Space && currentRow() >= 0 && onPick) {
            onPick(currentRow());
            return;
        }
        QListWidget::keyPressEvent(event);
    }
};

} // namespace

bool chooseMainFile(QWidget* parent, const std::vector<std::string>& openPaths,
                    std::string& mainFile) {
    MainFileChoice choice(openPaths, mainFile);
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TF_MFile"));
    dialog.setWindowTitle(qtext(TextId::SetMainFile));
    dialog.setAccessibleName(dialog.windowTitle());

    auto* list = new PathList(&dialog);
    list->setObjectName(QStringLiteral("openFiles"));
    list->setAccessibleName(QObject::tr("Open files"));
    for (const auto& path : openPaths)
        list->addItem(QString::fromStdString(path));
    auto* field = new QLineEdit(QString::fromStdString(mainFile), &dialog);
    field->setObjectName(QStringLiteral("mainFile"));
    field->setAccessibleName(qtext(TextId::SetMainFile));
    field->setMinimumWidth(420);
    auto* browse = new QPushButton(QStringLiteral("&Browse"), &dialog);
    browse->setAccessibleName(QStringLiteral("Browse"));
    auto* ok = new QPushButton(QStringLiteral("&Ok"), &dialog);
    ok->setAccessibleName(QStringLiteral("Ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), &dialog);
    cancel->setAccessibleName(QStringLiteral("Cancel"));

    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(field, 1);
    fieldRow->addWidget(browse);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list, 1);
    layout->addLayout(fieldRow);
    layout->addLayout(buttons);

    list->onPick = [&](int row) {
        choice.pick(row);
        field->setText(QString::fromStdString(choice.field()));
    };
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog,
                     [&](QListWidgetItem* item) { list->onPick(list->row(item)); });
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&] {
        const QString chosen =
            QFileDialog::getOpenFileName(&dialog, qtext(TextId::SetMainFile), field->text(),
                                         QStringLiteral("*.asm (*.asm);;*.* (*)"));
        if (!chosen.isEmpty()) field->setText(chosen);
    });
    QObject::connect(ok, &QPushButton::clicked, &dialog, [&] {
        choice.setField(field->text().toStdString());
        if (choice.accept(mainFile))
            dialog.accept();
        else
            QApplication::beep();
    });
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    dialog.resize(dialog.sizeHint());
    return dialog.exec() == QDialog::Accepted;
}

} // namespace zerka::gui
