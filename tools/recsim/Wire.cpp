#include "recsim/Wire.h"

namespace recsim {

const char* LinkName(Link link)
{
  switch (link) {
    case Link::Tcp: return "tcp";
    case Link::Udp: return "udp";
    case Link::Rtu: return "rtu";
    case Link::Discovery: return "discovery";
  }
  return "?";
}

Handler HandlerTable::Register(std::uint8_t function, Handler handler)
{
  Handler previous;
  auto it = handlers_.find(function);
  if (it != handlers_.end()) previous = std::move(it->second);
  handlers_[function] = std::move(handler);
  return previous;
}

const Handler* HandlerTable::Find(std::uint8_t function) const
{
  auto it = handlers_.find(function);
  return it == handlers_.end() || !it->second ? nullptr : &it->second;
}

}  // namespace recsim
