#include "gui/main/analog_views.h"

#include "gui/analog/adc_form.h"
#include "gui/analog/comparator_form.h"
#include "gui/analog/opamp_form.h"
#include "gui/main/main_window.h"

#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>

namespace zerka::gui {
namespace {

constexpr std::array<Slot, 3> kSlots = {Slot::Adc, Slot::OpAmp, Slot::Comparator};
constexpr std::array<Command, 3> kCommands = {Command::ViewAdc, Command::ViewOpAmp,
                                              Command::ViewComparator};

size_t indexOf(Slot slot) {
    return slot == Slot::Adc ? 0 : slot == Slot::OpAmp ? 1 : 2;
}

} // namespace

AnalogViews::AnalogViews(MainWindow& main)
    : QObject(&main), main_(main), adc_(main.workbench().chip(), &main.workbench().up()),
      op_(main.workbench().chip(), &main.workbench().up()),
      cmp_(main.workbench().chip(), &main.workbench().up()) {
    Shell& shell = main.workbench().shell();
    adcForm_ = new TADCForm(adc_);
    opForm_ = new TOPForm(op_);
    cmpForm_ = new TCMPForm(cmp_);

    // The window is created with 15 output bits; the configuration file read later overrides.
    ViewSettings& views = shell.state().views;
    views.adcOutputMode = adc_.outputMode();
    views.adcOutputBits = adc_.outputBitsIndex();
    adcForm_->setSettingsListener([&views](int mode, int bits) {
        views.adcOutputMode = mode;
        views.adcOutputBits = bits;
    });
    adcForm_->setIceReader([this](uint32_t address) -> uint8_t {
        return main_.workbench().emulator().commands().iceReadByte(address);
    });

    // Their items stand in the View menu after "Break Point" (the command table has them).
    QMenu* viewMenu = nullptr;
    for (QObject* o : main.action(Command::ViewAdc)->associatedObjects())
        if (auto* m = qobject_cast<QMenu*>(o)) viewMenu = m;
    for (size_t i = 0; i < 3; ++i) {
        QAction* a = main.action(kCommands[i]);
        const Slot slot = kSlots[i];
        connect(a, &QAction::triggered, this, [this, slot] { show(slot); });
        items_[i] = a;
        // The calculators are slots of the main window's table like every other window:
        // tiling, always on top, the layout file and the reopen flags find them there.
        // The diagram scales with its window down to two thirds of its size; a window tiled smaller
        // scrolls instead of cutting it off or growing over its neighbours when shown again.
        AnalogDiagram* f = form(slot);
        auto* scroll = new QScrollArea;
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setWidget(f);
        main.installDebugWindow(slot, scroll, nullptr);
        QMdiSubWindow* sub = main.subWindow(slot);
        sub->setWindowTitle(f->windowTitle());
        sub->setAccessibleName(f->windowTitle());
        sub->resize(f->sizeHint() * 0.75);
    }
    if (viewMenu) connect(viewMenu, &QMenu::aboutToShow, this, [this] { syncViewItems(); });

    // Register edits of any window and chip loads; steps, stops, resets and the memory check
    // refresh the calculators with the other debug windows (MainWindow::refreshDebugWindows).
    TZk_UP& up = shell.parts().up;
    const auto edit = up.registerChanged().connect([this](uint32_t) { refreshShowing(); });
    ChipLibrary& library = shell.parts().library;
    const auto loaded = library.chipLoaded.connect([this, &views](const ChipLoaded& l) {
        if (l.resetAdcSetting) {
            adc_.resetSetting();
            views.adcOutputMode = views.adcOutputBits = 0;
        }
        adcForm_->chipChanged();
        opForm_->chipChanged();
        cmpForm_->chipChanged();
        syncViewItems();
    });
    disconnects_ = {[&up, edit] { up.registerChanged().disconnect(edit); },
                    [&library, loaded] { library.chipLoaded.disconnect(loaded); }};
    syncViewItems();
}

AnalogViews::~AnalogViews() {
    for (auto& d : disconnects_)
        d();
}

QAction* AnalogViews::viewItem(Command c) const {
    for (size_t i = 0; i < 3; ++i)
        if (kCommands[i] == c) return items_[i];
    return nullptr;
}

QMdiSubWindow* AnalogViews::subWindow(Slot slot) const {
    return main_.subWindow(slot);
}

AnalogDiagram* AnalogViews::form(Slot slot) const {
    switch (slot) {
    case Slot::Adc:
        return adcForm_;
    case Slot::OpAmp:
        return opForm_;
    default:
        return cmpForm_;
    }
}

void AnalogViews::syncViewItems() {
    const CommandStates& c = main_.workbench().shell().commands();
    for (size_t i = 0; i < 3; ++i)
        items_[i]->setEnabled(c.enabled(kCommands[i]));
}

bool AnalogViews::handles(Slot slot) {
    return slot == Slot::Adc || slot == Slot::OpAmp || slot == Slot::Comparator;
}

void AnalogViews::show(Slot slot) {
    syncViewItems();
    if (!items_[indexOf(slot)]->isEnabled()) return; // a shortcut outside debug mode
    main_.showAsChild(slot, true);
}

void AnalogViews::aboutToShow(Slot slot) {
    // The configuration may have changed the stored setting since the last showing.
    const ViewSettings& views = main_.workbench().shell().state().views;
    if (slot == Slot::Adc) adcForm_->applySettings(views.adcOutputMode, views.adcOutputBits);
}

void AnalogViews::refreshShowing() {
    for (Slot slot : kSlots)
        if (QMdiSubWindow* sub = subWindow(slot); sub && sub->isVisible())
            form(slot)->refreshView();
}

} // namespace zerka::gui
