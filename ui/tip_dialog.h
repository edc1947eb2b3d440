#pragma once

#include <QDialog>

#include "core/app_context.h"

class QCheckBox;

namespace sonaflux {

class ColouredLabel;

/// The tip of the day, opened modally: the tip after
/// ctx.settings.nextTipNumber at once, then Next Tip and Previous Tip; the
/// number shown and the show-at-startup box are saved after every step.
class TipDialog : public QDialog {
 public:
  TipDialog(AppContext& ctx, QWidget* owner);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void step(int delta);

  AppContext& m_ctx;
  ColouredLabel* m_text = nullptr;
  QCheckBox* m_showAtStartup = nullptr;
};

}  // namespace sonaflux
