#pragma once
// The program's version record, read from its own executable.

#include "mainwindow/input_form_model.h"

namespace qb::app {

// The company name, file description and version numbers of the running program's
// version record; the product title falls back to "Quill Bay" when there is no record.
mainwindow::AppVersion ReadAppVersion();

} // namespace qb::app
