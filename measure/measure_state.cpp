#include "measure/measure_state.h"

namespace sonavistor {

MeasureStateData MeasureState;

}  // namespace sonavistor
