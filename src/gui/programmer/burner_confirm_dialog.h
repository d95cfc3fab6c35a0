#pragma once
// The window that asks, before a flash download, which burner version and which chip the
// image is for ("Please confirm that the burner version and chip.").
#include <QComboBox>
#include <QDialog>

#include <string>
#include <vector>

namespace zerka::gui {

class BurnerConfirmDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr const char* kCaption = "Please confirm that the burner version and chip.";

    explicit BurnerConfirmDialog(QWidget* parent = nullptr);

    void setChoices(const std::vector<std::string>& chips, int chipIndex, int version);
    int chipIndex() const { return chips_->currentIndex(); }
    int version() const { return version_->currentIndex(); }
    QComboBox* versionBox() const { return version_; }
    QComboBox* chipBox() const { return chips_; }

  signals:
    // The user picked a burner version (the calibration switches follow it at once).
    void versionChosen(int version);

  private:
    QComboBox* version_;
    QComboBox* chips_;
};

} // namespace zerka::gui
