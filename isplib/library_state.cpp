#include "library_state.h"

namespace kvn {

LibraryState &State() {
  static LibraryState state;
  return state;
}

}  // namespace kvn
