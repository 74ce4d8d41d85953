#include "support/SystemRandom.h"

#include <sys/random.h>

#include <cerrno>
#include <system_error>

namespace ovk {

std::string SystemRandomBytes(std::size_t count) {
  std::string bytes(count, '\0');
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = getrandom(bytes.data() + done, count - done, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "the system's random source failed");
    }
    done += static_cast<std::size_t>(got);
  }
  return bytes;
}

}  // namespace ovk
