#pragma once
// The options dialog TOption: five pages ("InterSetup", "ConfigSetup", "Chip Watch",
// "Debug Tool", "OSC Calibration") whose widgets are bound to the options settings model.
#include <QDialog>

#include <memory>

namespace zerka {
class OptionsModel;
class OptionsHardwareTools;
struct EditorFont;
} // namespace zerka

namespace zerka::gui {

class OptionsDialog : public QDialog {
    Q_OBJECT
  public:
    // `tools` (the hardware tools page's device operations) may be null: the page then
    // reports that no unit is connected.
    OptionsDialog(OptionsModel& model, OptionsHardwareTools* tools, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    // Shows the dialog modally from the model's openOptions(); returns when the model
    // accepted closeOptions().
    void runModal();
    // Writes the UI text table's captions over the pages' captions.
    void applyCaptions();

    // The "Font" button changes the shared editor font.
    void setEditorFont(const EditorFont& font);
    EditorFont editorFont() const;

  signals:
    void editorFontChanged();

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace zerka::gui
