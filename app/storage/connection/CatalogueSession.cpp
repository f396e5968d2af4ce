#include "app/storage/connection/CatalogueSession.h"

#include <map>
#include <utility>

#include "platform/foundation/SequenceChecker.h"

namespace app::storage {

namespace {

struct Pool {
  int depth = 0;
  std::map<std::string, std::shared_ptr<CatalogueConnection>> connections;
  CatalogueSession::StagedCopies staged;
  platform::foundation::SequenceChecker sequence;
};

// Catalogues are used on the main thread only, so the pool needs no guard; a debug run stops on a use
// from anywhere else.
Pool& pool() {
  static Pool instance;
  DCHECK_CALLED_ON_VALID_SEQUENCE(instance.sequence);
  return instance;
}

}  // namespace

CatalogueSession::CatalogueSession() { ++pool().depth; }

CatalogueSession::~CatalogueSession() {
  if (pool().depth > 1) {
    --pool().depth;
    return;
  }
  // Still a session while the staged catalogues go in place, so that their connections can be closed.
  if (pool().staged.publish) static_cast<void>(pool().staged.publish());
  --pool().depth;
  pool().connections.clear();
}

bool CatalogueSession::active() { return pool().depth > 0; }

std::shared_ptr<CatalogueConnection> CatalogueSession::connection(const std::string& path, std::string& error) {
  auto& connections = pool().connections;
  if (auto found = connections.find(path); found != connections.end()) return found->second;
  const std::string copy = pool().staged.copyOf ? pool().staged.copyOf(path) : std::string();
  auto opened = copy.empty() ? CatalogueConnection::open(path, error)
                             : CatalogueConnection::open(copy, error, CatalogueConnection::Durability::OnceWhenPlaced);
  if (opened) connections.emplace(path, opened);
  return opened;
}

void CatalogueSession::forget(const std::string& path) { pool().connections.erase(path); }

bool CatalogueSession::release(const std::string& path) {
  auto& connections = pool().connections;
  const auto found = connections.find(path);
  if (found == connections.end()) return true;
  if (found->second.use_count() > 1) return false;
  connections.erase(found);
  return true;
}

void CatalogueSession::serveStagedCopies(StagedCopies staged) { pool().staged = staged; }

}  // namespace app::storage
