#pragma once
// The common ground of the calculator windows: a block diagram drawn in logical units and scaled
// to the window, whose panels, switch pictures and code labels are the controls of a calculator
// model. Drop-downs are real combo boxes laid over the diagram at their logical places. Colours
// come from the widget's palette, so the picture reads in light and dark themes.
#include "analog/analog_calculator.h"
#include "gui/debug/debug_window.h"

#include <QComboBox>
#include <QPainter>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zerka::gui {

class AnalogDiagram : public QWidget, public DebugWindow {
    Q_OBJECT
  public:
    AnalogDiagram(AnalogCalculator& model, QSizeF logicalSize, QWidget* parent = nullptr);

    // Re-reads the registers and repaints when something shown changed.
    void refreshView() override;
    // A chip was loaded: entries, labels and enable states of every control.
    void chipChanged();
    AnalogCalculator& model() { return model_; }
    // The combo box of a field (or of a window setting such as "TXADCOMD"), or nullptr.
    QComboBox* combo(const QString& name) const;
    // Clicks the diagram at a logical point, as a mouse click there would.
    bool clickAt(QPointF logical);
    // The logical centre of the first clickable item whose name is `name`, for tests.
    std::optional<QPointF> itemCentre(const QString& name);
    QSize sizeHint() const override;

  protected:
    // One clickable place on the diagram.
    struct Hit {
        QRectF rect;
        QString name;
        std::function<void()> action;
    };

    virtual void paintDiagram(QPainter& p) = 0;
    // Called after the model changed through a click or a drop-down.
    virtual void afterEdit() {}
    // Keeps the window's own combo boxes (output mode, bits) in step.
    virtual void syncOwnCombos() {}

    static QString q(const std::string& s) { return QString::fromStdString(s); }

    // --- building blocks, all in logical units -------------------------------------------------
    // The window's object name, title and accessible name, and the analog supply's selector at
    // the top, `supplyX` from the left.
    void setUpWindow(const QString& objectName, const QString& title, double supplyX);
    // The diagram's heading, and the supply's switch and voltage beside its selector.
    void paintHeading(QPainter& p, const QString& heading, double headingWidth, double supplyX,
                      double voltageWidth);
    const AnalogControl& ctl(const char* field) const;
    QComboBox* addFieldCombo(const char* field, const char* objectName, QRectF place);
    QComboBox* addOwnCombo(const char* objectName, QRectF place, const QStringList& items);
    void addHit(QRectF rect, const QString& name, std::function<void()> action);
    // Any other widget laid over the diagram (a button).
    void addOverlay(QWidget* w, QRectF place);

    QColor ink() const;   // lines and text
    QColor paper() const; // background
    QColor faint() const; // inactive parts
    void wire(QPainter& p, std::initializer_list<QPointF> points, bool active = true) const;
    void dot(QPainter& p, QPointF at) const;
    void text(QPainter& p, QRectF r, const QString& s, int flags = Qt::AlignCenter,
              double size = 11, bool bold = false) const;
    void block(QPainter& p, QRectF r, const QString& title, bool enabled = true) const;
    // An amplifier pointing right; inputs at 1/3 and 2/3 of the left edge.
    void amplifier(QPainter& p, QRectF r, const QString& label, bool signs = true,
                   bool enabled = true) const;
    // A one-bit panel: caption above, "on" or "off" look; a click toggles the field.
    void panel(QPainter& p, QRectF r, const char* field, const QString& caption = {});
    // A switch between a and b drawn closed or open; a click toggles `field`.
    void switchPicture(QPainter& p, QPointF a, QPointF b, bool closed, const char* field,
                       std::function<void()> action = {});
    // An arrow up or down (a two-way choice picture); a click toggles `field`.
    void arrowPicture(QPainter& p, QRectF r, bool up, const char* field);
    // A label for one code of a selector: highlighted when current; a click selects the code.
    void codeLabel(QPainter& p, QRectF r, const char* field, unsigned code, const QString& s);
    // A chip-labelled input multiplexer of `field`: one label and switch per existing code, all
    // switches on a bus at `busX` that leads to `to`.
    void paintInputMux(QPainter& p, const char* field, double x, double top, double pitch,
                       double busX, QPointF to);
    // A label in the highlighted ("current") or plain look.
    void tag(QPainter& p, QRectF r, const QString& s, bool highlighted, bool enabled = true,
             double size = 10) const;

    const QFont& fontOf(double size, bool bold) const;

    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

  private:
    void placeCombos();
    void syncCombos();
    void edited();
    QTransform toWidget() const;

    struct FieldCombo {
        QComboBox* box;
        std::string field; // empty for the window's own combos
        QRectF place;
    };

    AnalogCalculator& model_;
    QSizeF logical_;
    std::vector<FieldCombo> combos_;
    std::vector<std::pair<QWidget*, QRectF>> overlays_;
    std::vector<Hit> hits_;
    uint64_t shownRevision_ = ~uint64_t(0);
    mutable std::map<int, QFont> fonts_;
};

} // namespace zerka::gui
