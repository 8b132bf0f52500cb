// image_store: embedded firmware image resources through the image store as the main
// window loads it (TFWResRec::LoadHeader for each), the info list and the extraction of
// each payload for the upload.

#include "FuzzBytes.h"
#include "FuzzCases.h"
#include "FuzzTargets.h"
#include "app/core/FwUpRes.h"
#include "platform/Stream.h"
#include "platform/TextWriter.h"

namespace fuzzing {
namespace {

constexpr std::size_t kMaxImages = 4;

std::string NameOf(const ImageStoreCase::Image& image, std::size_t index)
{
  return ((image.name & 0x80) ? "XF_" : "FW_") + std::to_string(index);
}

}  // namespace

ImageStoreCase ImageStoreCase::Decode(std::span<const std::uint8_t> input)
{
  FuzzReader in(input);
  ImageStoreCase c;
  std::size_t count = 1 + in.u8() % kMaxImages;
  for (std::size_t i = 0; i < count && !in.empty(); ++i) {
    Image image;
    image.name = in.u8();
    auto bytes = in.take(in.u16());
    image.bytes.assign(bytes.begin(), bytes.end());
    c.images.push_back(std::move(image));
  }
  return c;
}

std::vector<std::uint8_t> ImageStoreCase::Encode() const
{
  FuzzWriter out;
  out.u8(static_cast<std::uint8_t>(images.empty() ? 0 : images.size() - 1));
  for (const auto& image : images) out.u8(image.name).u16(static_cast<std::uint16_t>(image.bytes.size())).append(image.bytes);
  return out.bytes();
}

bool FuzzImageStore(std::span<const std::uint8_t> input)
{
  ImageStoreCase c = ImageStoreCase::Decode(input);
  std::vector<Resource> resources;
  std::size_t images = 0;
  for (std::size_t i = 0; i < c.images.size(); ++i) {
    resources.push_back({"FW", NameOf(c.images[i], i), c.images[i].bytes});
    if (!(c.images[i].name & 0x80)) ++images;
  }
  ResourceTable table(std::move(resources));

  Registrator::TFWUpRes store;
  std::vector<std::string> log;
  try {
    store.Load(table, [&log](const std::string& line) { log.push_back(line); });
    for (const auto& record : store.Items()) {
      const Resource& resource = table.Get("FW", record.ResName);
      TMemoryStream payload;
      store.ExtractImage(record, payload);
      if (record.PayloadOffset < 0 || static_cast<std::size_t>(record.PayloadOffset) > resource.bytes.size() ||
          payload.Data().size() != resource.bytes.size() - static_cast<std::size_t>(record.PayloadOffset))
        Finding("an extracted payload is not the resource behind its header");
    }
    TMemoryStream info;
    {
      TextWriter writer(info);
      store.WriteInfo(writer);
      writer.Flush();
    }
  } catch (const Exception& e) {
    return Refused(e);
  }
  // One line per image; a table without images says so in one line.
  if (log.size() != (c.images.empty() ? 1 : images)) Finding("the store logged other than one line per image");
  return store.Count() == images;
}

}  // namespace fuzzing
