// "Update several boards at once": the window's switch between updating the
// ticked boards one after another (the start state) and letting up to the
// Zantor.ini number of them sit in their restart wait together.
#include "updater/ui/main_form.h"

namespace ui {

void TMainForm::SideBySideItemClick() {
  // A batch keeps the pace it started with; the item is greyed meanwhile,
  // but a click queued before that may still arrive.
  if (batch_.updating() || closing_) return;
  set_side_by_side(batch_.side_by_side() > 1 ? 1 : settings_.side_by_side);
}

void TMainForm::set_side_by_side(uint32_t boards) {
  if (batch_.updating()) return;
  batch_.set_side_by_side(boards);
  view_.SetItemChecked(Component::SideBySideItem, batch_.side_by_side() > 1);
}

}  // namespace ui
