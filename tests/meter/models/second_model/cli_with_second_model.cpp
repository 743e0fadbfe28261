// Built into a copy of sonavistor-cli for the tests: the second model is
// in the meter model table before main runs.
#include "second_model.h"

namespace {

const bool registered = (sonavistor::test::secondModel(), true);

}  // namespace
