// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/common/output.h"
#include "tools/solve/solve_cli.h"

int main(int argc, char** argv) { return qx::toolMain(argc, argv, qx::runSolveCli); }
