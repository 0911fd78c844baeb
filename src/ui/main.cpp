// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <string>

#include "platform/descriptors.h"
#include "sync/temporary_files.h"
#include "ui/application_setup.h"
#include "ui/form1.h"

int main(int argc, char** argv) {
  // Before any thread: a run onto a stick keeps hundreds of files open.
  zweiblick::RaiseDescriptorLimit();
  zweiblick::ChooseWindowSystem();
  QApplication app(argc, argv);
  zweiblick::SetUpApplication(app);
  // The whole argument text is one control-file name, blanks and quotes included,
  // taken as bytes so that no name is re-encoded on its way to the disk.
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  zweiblick::RemoveUnfinishedCopyOnSignals();
  zweiblick::Form1 form;
  form.Core().Load(commandLine);
  form.Flush();
  // A batch run that ended the program, or whose window was closed, did so
  // before the event loop ran.
  if (form.EndRequested()) return 0;
  return app.exec();
}
