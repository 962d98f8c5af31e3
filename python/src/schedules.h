// Schedules and every rate of return for the extension module (see
// host/schedule.h and host/rates.h): the host library's figures as numpy
// arrays.
#pragma once

#include "host/module.h"

#include <pybind11/pybind11.h>

void define_schedules(pybind11::module_& m, const qelfin::host::Module& (*module)());
