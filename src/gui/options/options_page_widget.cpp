#include "gui/options/options_pages.h"

#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

namespace zerka::gui {

OptionsPageWidget::OptionsPageWidget(OptionsModel& model, std::function<void()> changed,
                                     std::function<void(const QString&)> report, QWidget* parent)
    : QWidget(parent), model_(model), heading_(new QLabel(this)), changed_(std::move(changed)),
      report_(std::move(report)) {
    QFont font = heading_->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    heading_->setFont(font);
    heading_->setObjectName(QStringLiteral("heading"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading_);
}

} // namespace zerka::gui
