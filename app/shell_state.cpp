#include "app/shell_state.h"

namespace sonavistor {

ShellStateData ShellState;

}  // namespace sonavistor
