// The application's entry sequence: create the forms, run the loop, restart when asked.
#pragma once

namespace vortik {

int RunApplication(int argc, char** argv);

}  // namespace vortik
