#pragma once

#include <QDialog>

#include "core/app_context.h"

class QLineEdit;

namespace sonaflux {

/// Asks for the text the web page shows for the sound, starting from
/// ctx.inputs.inputTitle. OK stores the text there; Cancel and Escape leave
/// it, and no job should start.
class OutputTextDialog : public QDialog {
 public:
  OutputTextDialog(AppContext& ctx, QWidget* owner);

  void accept() override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  AppContext& m_ctx;
  QLineEdit* m_edit = nullptr;
};

}  // namespace sonaflux
