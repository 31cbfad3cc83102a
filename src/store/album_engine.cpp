#include "store/access_engine.h"

namespace store {

// Apart from the rest of the engine, so that a program may take the Access
// engine over a native engine of its own without the SQLite one.
std::unique_ptr<Engine> MakeAlbumEngine(AccessOptions options) {
    return MakeAlbumEngine(std::move(options), std::shared_ptr<Engine>(MakeSqliteEngine()));
}

}  // namespace store
