// A job's message box: captioned "Tamarack", with the job's icon, opened without blocking the
// window (a job's end must not wait for the user) and deleted when closed. While another of
// `parent`'s job messages is open, it opens when that one is closed.
#pragma once

#include <QString>

#include "job/job_host.h"

class QMessageBox;
class QWidget;

namespace tamarack::app {

QMessageBox* ShowJobMessage(QWidget* parent, MessageIcon icon, const QString& text);

}  // namespace tamarack::app
