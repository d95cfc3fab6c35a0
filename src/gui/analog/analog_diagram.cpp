#include "gui/analog/analog_diagram.h"

#include "gui/analog/analog_names.h"
#include "gui/debug/accessible_grid.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainterPath>
#include <QPixmap>

#include <QEvent>

#include <algorithm>
#include <cmath>

namespace zerka::gui {

AnalogDiagram::AnalogDiagram(AnalogCalculator& model, QSizeF logicalSize, QWidget* parent)
    : QWidget(parent), model_(model), logical_(logicalSize) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Below two thirds the drop-downs no longer show their codes; a smaller window scrolls.
    setMinimumSize(int(logical_.width() * 2 / 3), int(logical_.height() * 2 / 3));
    setMouseTracking(false);
}

QSize AnalogDiagram::sizeHint() const {
    return logical_.toSize();
}

const AnalogControl& AnalogDiagram::ctl(const char* field) const {
    static const AnalogControl none;
    const AnalogControl* c = model_.control(field);
    return c ? *c : none;
}

QTransform AnalogDiagram::toWidget() const {
    const double s =
        std::min(double(width()) / logical_.width(), double(height()) / logical_.height());
    const double dx = (width() - logical_.width() * s) / 2;
    const double dy = (height() - logical_.height() * s) / 2;
    return QTransform(s, 0, 0, s, dx, dy);
}

QColor AnalogDiagram::ink() const {
    return palette().color(QPalette::WindowText);
}
QColor AnalogDiagram::paper() const {
    return palette().color(QPalette::Base);
}
QColor AnalogDiagram::faint() const {
    QColor c = ink();
    c.setAlphaF(0.35f);
    return c;
}

namespace {
// Qt names a combo box on Linux by its current text and gives what it is through the
// labelled-by relation, as screen readers expect: a hidden label is that relation.
void nameCombo(QComboBox* box, const QString& key) {
    const QString title = analogControlTitle(key);
    box->setAccessibleName(title);
    box->setAccessibleDescription(key);
    auto* label = new QLabel(title, box->parentWidget());
    label->setBuddy(box);
    label->hide();
}
} // namespace

void AnalogDiagram::setUpWindow(const QString& objectName, const QString& title, double supplyX) {
    setObjectName(objectName);
    setWindowTitle(title);
    setAccessibleName(title);
    addFieldCombo("VDDAX", "VDDAX", QRectF(supplyX, 14, 80, 28));
}

void AnalogDiagram::paintHeading(QPainter& p, const QString& heading, double headingWidth,
                                 double supplyX, double voltageWidth) {
    text(p, QRectF(20, 10, headingWidth, 34), heading, Qt::AlignLeft | Qt::AlignVCenter, 14, true);
    panel(p, QRectF(supplyX - 80, 14, 72, 28), "ENVDDA");
    text(p, QRectF(supplyX + 88, 14, voltageWidth, 28), q(ctl("VDDAX").text),
         Qt::AlignLeft | Qt::AlignVCenter, 11, true);
}

QComboBox* AnalogDiagram::addFieldCombo(const char* field, const char* objectName, QRectF place) {
    auto* box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(objectName));
    nameCombo(box, QString::fromLatin1(field));
    combos_.push_back({box, field, place});
    connect(box, &QComboBox::activated, this, [this, box, f = std::string(field)](int index) {
        model_.chooseEntry(f, index);
        Q_UNUSED(box);
        edited();
    });
    return box;
}

QComboBox* AnalogDiagram::addOwnCombo(const char* objectName, QRectF place,
                                      const QStringList& items) {
    auto* box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(objectName));
    nameCombo(box, QString::fromLatin1(objectName));
    box->addItems(items);
    combos_.push_back({box, std::string(), place});
    return box;
}

QComboBox* AnalogDiagram::combo(const QString& name) const {
    for (const FieldCombo& c : combos_)
        if (c.box->objectName() == name || QString::fromStdString(c.field) == name) return c.box;
    return nullptr;
}

void AnalogDiagram::addHit(QRectF rect, const QString& name, std::function<void()> action) {
    hits_.push_back({rect, name, std::move(action)});
}

void AnalogDiagram::addOverlay(QWidget* w, QRectF place) {
    overlays_.emplace_back(w, place);
}

void AnalogDiagram::placeCombos() {
    const QTransform t = toWidget();
    const double s = t.m11();
    for (auto& [w, place] : overlays_) {
        w->setGeometry(t.mapRect(place).toRect());
        QFont f = font();
        f.setPointSizeF(std::clamp(9.0 * s, 6.0, 20.0));
        w->setFont(f);
    }
    for (FieldCombo& c : combos_) {
        c.box->setGeometry(t.mapRect(c.place).toRect());
        QFont f = font();
        f.setPointSizeF(std::clamp(9.0 * s, 6.0, 20.0));
        c.box->setFont(f);
    }
}

void AnalogDiagram::syncCombos() {
    for (FieldCombo& c : combos_) {
        if (c.field.empty()) continue;
        const AnalogControl* ctl = model_.control(c.field);
        if (!ctl) continue;
        QSignalBlocker block(c.box);
        QStringList items;
        for (const std::string& s : ctl->choices)
            items << QString::fromStdString(s);
        bool same = c.box->count() == items.size();
        for (int i = 0; same && i < items.size(); ++i)
            same = c.box->itemText(i) == items[i];
        if (!same) {
            c.box->clear();
            c.box->addItems(items);
        }
        c.box->setCurrentIndex(ctl->choiceIndex);
        c.box->setEnabled(ctl->enabled);
        c.box->setVisible(ctl->visible);
    }
    syncOwnCombos();
}

void AnalogDiagram::chipChanged() {
    model_.chipChanged();
    syncCombos();
    shownRevision_ = model_.revision();
    update();
}

void AnalogDiagram::refreshView() {
    model_.DataUpdate();
    if (model_.revision() == shownRevision_) return;
    shownRevision_ = model_.revision();
    syncCombos();
    update();
    announceAccessibleChanges(this);
}

void AnalogDiagram::edited() {
    afterEdit();
    shownRevision_ = model_.revision();
    syncCombos(); // a refused choice puts the drop-down back on the current code
    update();
}

void AnalogDiagram::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange) fonts_.clear();
    QWidget::changeEvent(e);
}

void AnalogDiagram::resizeEvent(QResizeEvent*) {
    placeCombos();
}

void AnalogDiagram::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), paper());
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setTransform(toWidget());
    hits_.clear();
    paintDiagram(p);
}

bool AnalogDiagram::clickAt(QPointF logical) {
    // The last item drawn lies on top.
    for (auto it = hits_.rbegin(); it != hits_.rend(); ++it)
        if (it->rect.contains(logical)) {
            const auto action = it->action;
            action();
            edited();
            return true;
        }
    return false;
}

std::optional<QPointF> AnalogDiagram::itemCentre(const QString& name) {
    if (hits_.empty()) {
        QPixmap scratch(size().expandedTo(QSize(1, 1)));
        render(&scratch);
    }
    for (const Hit& h : hits_)
        if (h.name == name) return h.rect.center();
    return std::nullopt;
}

void AnalogDiagram::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    bool ok = false;
    const QTransform back = toWidget().inverted(&ok);
    if (ok) clickAt(back.map(e->position()));
}

// --- drawing --------------------------------------------------------------------------------

void AnalogDiagram::wire(QPainter& p, std::initializer_list<QPointF> points, bool active) const {
    p.setPen(QPen(active ? ink() : faint(), active ? 2.0 : 1.4, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    const std::vector<QPointF> v(points);
    for (size_t i = 1; i < v.size(); ++i)
        p.drawLine(v[i - 1], v[i]);
}

void AnalogDiagram::dot(QPainter& p, QPointF at) const {
    p.setPen(Qt::NoPen);
    p.setBrush(ink());
    p.drawEllipse(at, 3.5, 3.5);
    p.setBrush(Qt::NoBrush);
}

const QFont& AnalogDiagram::fontOf(double size, bool bold) const {
    // Painting asks for a handful of sizes many times: build each font once.
    const int key = int(size * 10) * 2 + (bold ? 1 : 0);
    auto it = fonts_.find(key);
    if (it == fonts_.end()) {
        QFont f = font();
        f.setPointSizeF(size);
        f.setBold(bold);
        it = fonts_.emplace(key, f).first;
    }
    return it->second;
}

void AnalogDiagram::text(QPainter& p, QRectF r, const QString& s, int flags, double size,
                         bool bold) const {
    p.setFont(fontOf(size, bold));
    p.setPen(ink());
    p.drawText(r, flags, s);
}

void AnalogDiagram::block(QPainter& p, QRectF r, const QString& title, bool enabled) const {
    p.setPen(QPen(enabled ? ink() : faint(), 2));
    p.setBrush(palette().color(QPalette::AlternateBase));
    p.drawRoundedRect(r, 6, 6);
    p.setBrush(Qt::NoBrush);
    text(p, r, title, Qt::AlignCenter | Qt::TextWordWrap, 11, true);
}

void AnalogDiagram::amplifier(QPainter& p, QRectF r, const QString& label, bool signs,
                              bool enabled) const {
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right(), r.center().y());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(enabled ? ink() : faint(), 2));
    p.setBrush(palette().color(QPalette::AlternateBase));
    p.drawPath(path);
    p.setBrush(Qt::NoBrush);
    if (signs) {
        text(p, QRectF(r.left() + 3, r.top() + r.height() / 3 - 9, 16, 18), "+", Qt::AlignCenter,
             12, true);
        text(p, QRectF(r.left() + 3, r.top() + 2 * r.height() / 3 - 9, 16, 18),
             QString::fromUtf8("\u2212"), Qt::AlignCenter, 12, true);
    }
    text(p, QRectF(r.left() + 14, r.center().y() - 12, r.width() * 0.6, 24), label, Qt::AlignCenter,
         10, true);
}

void AnalogDiagram::tag(QPainter& p, QRectF r, const QString& s, bool highlighted, bool enabled,
                        double size) const {
    const QPalette& pal = palette();
    // Current: inverse of the window (black on white in a light theme, white on black in a dark).
    const QColor bg = highlighted ? pal.color(QPalette::WindowText) : pal.color(QPalette::Button);
    QColor fg = highlighted ? pal.color(QPalette::Window) : pal.color(QPalette::ButtonText);
    if (!enabled) fg.setAlphaF(0.45f);
    p.setPen(QPen(enabled ? faint() : QColor(Qt::transparent), 1));
    p.setBrush(bg);
    p.drawRoundedRect(r, 3, 3);
    p.setBrush(Qt::NoBrush);
    p.setFont(fontOf(size, false));
    p.setPen(fg);
    p.drawText(r, Qt::AlignCenter, s);
}

void AnalogDiagram::panel(QPainter& p, QRectF r, const char* field, const QString& caption) {
    const AnalogControl& c = ctl(field);
    if (!c.visible) return;
    const QPalette& pal = palette();
    const bool on = c.on;
    // "On": the active-caption look (highlight with its text); "off": a plain button face.
    QColor bg = on ? pal.color(QPalette::Highlight) : pal.color(QPalette::Button);
    QColor fg = on ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::ButtonText);
    if (!c.enabled) {
        bg = pal.color(QPalette::Window);
        fg.setAlphaF(0.4f);
    }
    p.setPen(QPen(c.enabled ? ink() : faint(), 1.4));
    p.setBrush(bg);
    p.drawRoundedRect(r, 4, 4);
    p.setBrush(Qt::NoBrush);
    p.setFont(fontOf(std::min(10.0, r.height() * 0.42), true));
    p.setPen(fg);
    const QString cap = caption.isNull() ? QString::fromStdString(c.caption) : caption;
    p.drawText(r, Qt::AlignCenter, cap);
    if (c.enabled && c.kind == ControlKind::Toggle)
        addHit(r, QString::fromLatin1(field),
               [this, f = std::string(field)] { model_.clickPanel(f); });
}

void AnalogDiagram::switchPicture(QPainter& p, QPointF a, QPointF b, bool closed, const char* field,
                                  std::function<void()> action) {
    const AnalogControl& c = ctl(field);
    const bool live = c.enabled;
    p.setPen(QPen(live ? ink() : faint(), 2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(paper());
    p.drawEllipse(a, 3.5, 3.5);
    p.drawEllipse(b, 3.5, 3.5);
    p.setBrush(Qt::NoBrush);
    const QPointF d = b - a;
    if (closed) {
        p.drawLine(a, b);
    } else {
        // The blade lifted by 30 degrees from a.
        const double len = std::hypot(d.x(), d.y());
        const double ang = std::atan2(d.y(), d.x()) - 0.5;
        p.drawLine(a, a + QPointF(std::cos(ang), std::sin(ang)) * len * 0.92);
    }
    if (!live) return;
    const QRectF r = QRectF(a, b).normalized().adjusted(-8, -14, 8, 8);
    if (!action) action = [this, f = std::string(field)] { model_.clickPanel(f); };
    addHit(r, QString::fromLatin1(field) + QStringLiteral(".picture"), std::move(action));
}

void AnalogDiagram::arrowPicture(QPainter& p, QRectF r, bool up, const char* field) {
    const AnalogControl& c = ctl(field);
    p.setPen(QPen(c.enabled ? ink() : faint(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const double cx = r.center().x();
    const double tip = up ? r.top() : r.bottom(), tail = up ? r.bottom() : r.top();
    p.drawLine(QPointF(cx, tail), QPointF(cx, tip));
    const double head = up ? 7 : -7;
    p.drawLine(QPointF(cx, tip), QPointF(cx - 6, tip + head));
    p.drawLine(QPointF(cx, tip), QPointF(cx + 6, tip + head));
    if (c.enabled)
        addHit(r.adjusted(-8, -4, 8, 4), QString::fromLatin1(field) + QStringLiteral(".picture"),
               [this, f = std::string(field)] { model_.clickPanel(f); });
}

void AnalogDiagram::codeLabel(QPainter& p, QRectF r, const char* field, unsigned code,
                              const QString& s) {
    const AnalogControl& c = ctl(field);
    tag(p, r, s, c.code == code, c.enabled, std::min(10.0, r.height() * 0.5));
    if (c.enabled)
        addHit(r, QString::fromLatin1(field) + QStringLiteral(".") + QString::number(code),
               [this, f = std::string(field), code] { model_.selectCode(f, code); });
}

void AnalogDiagram::paintInputMux(QPainter& p, const char* field, double x, double top,
                                  double pitch, double busX, QPointF to) {
    const AnalogControl& c = ctl(field);
    double y = top, first = -1, last = -1;
    for (unsigned code = 0; code < c.codeLabels.size(); ++code) {
        if (c.codeLabels[code].empty()) continue; // no such input on this chip
        const bool on = code == c.code;
        codeLabel(p, QRectF(x, y - 12, 90, 24), field, code,
                  QString::fromStdString(c.codeLabels[code]));
        wire(p, {QPointF(x + 90, y), QPointF(x + 104, y)}, on);
        switchPicture(p, QPointF(x + 104, y), QPointF(x + 144, y), on, field,
                      [this, field, code] { model().selectCode(field, code); });
        wire(p, {QPointF(x + 144, y), QPointF(busX, y)}, on);
        if (first < 0) first = y;
        last = y;
        y += pitch;
    }
    if (first < 0) return;
    wire(p, {QPointF(busX, std::min(first, to.y())), QPointF(busX, std::max(last, to.y()))}, true);
    wire(p, {QPointF(busX, to.y()), to}, true);
}

} // namespace zerka::gui
