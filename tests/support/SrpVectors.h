#pragma once

// Vectors printed by srp_reference.py (kept beside this file with its output,
// srp_reference.txt): hashlib and Python's own big integers, not our code. Images and
// digests are hex of the bytes in order; the *ModN, AddBack and XEmptyAsNumber values are
// plain big-endian hex of the numbers.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace SrpVectors {

constexpr std::string_view Sha0 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
constexpr std::string_view Sha3 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr std::string_view Sha56 = "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1";
constexpr std::string_view Sha112 = "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1";
constexpr std::string_view ShaMillionA = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";
constexpr std::string_view ImageN =
  "b90aafeed68db3ad0af8339ce8c58ffa876172600b3cff754c31a29e7665259c"
  "74df74d6d381ea9613483b38e0c692d6e2d8d5e0e48bb9501d5c498ed1da8960"
  "b4d7c75db6d65461adf48ece495db169299b55828518cf7b66f529c5ec570e66"
  "3cbced68c06c7205f4cbd42f9aaa6e97fe3851fd5b4376832f1dc69fe306ebc0";
constexpr std::string_view ImageG =
  "0000000000000000000000000000000000000000000000000000000000000000"
  "0000000000000000000000000000000000000000000000000000000000000000"
  "0000000000000000000000000000000000000000000000000000000000000000"
  "0000000000000000000000000000000000000000000000000000000002000000";
constexpr std::string_view XEmpty = "01acecb507abfe1a354aa8064f4af5d3f1acd019e37db3c11c97523b71c76e9d";
constexpr std::string_view XEmptyAsNumber = "b5ecac011afeab0706a84a35d3f54a4f19d0acf1c1b37de33b52971c9d6ec771";
constexpr std::string_view AddBack1 =
  "eeaf0ab8bf04831cee806a345e5bcddd65e29b9f158cda8428a2f540fd83342a"
  "3a4f79fdc075a25ea150c6409e577ecd0a4312016fe3b3023d8fd038d2407eb3"
  "fd3dfce3038cff026d3a1df69b22689c18a43ddff9797d5c495adce0a0e46286"
  "02df644f9c84b0842a625f346799dea665e28e6386250a5d1c4fd9d42124e9b3"
  "3f14f91cffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
  "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
  "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
  "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff";
constexpr std::string_view AddBack1ModN =
  "eeaf0ab9adb38dd69c33f80afa8fc5e86072618775ff3c0b9ea2314c9c256576"
  "d674df7496ea81d3383b4813d692c6e0e0d5d8e250b98be48e495c1d6089dad1"
  "5dc7d7b46154d6b6ce8ef4ad69b15d4982559b297bcf1885c529f566660e57ec"
  "68edbc3c05726cc02fd4cbf4976eaa9afd5138fe8376435b9fc61d2fc0eb06e2";
constexpr std::string_view AddBack2 =
  "0000000000000000000000000000000000000000000000000000000000000000"
  "0000000000000000000000000000000000000000000000000000000000000000"
  "0000000000000000000000000000000000000000000000000000000000000000"
  "000000000000000000000000000000000000000000000000000000007757855d"
  "c588d1a4fbcd89dc197bdaff2ac8f6ac1b71ff8d455054b1ecb4e408075fd531"
  "21ea205e330825dd2384ab8446fdb35209329ed497de39f33e8e49860f6dc6ab"
  "8e72430fc89c510d8367a3522adc2ade403d276c5e641338f831215c9a85360a"
  "6ba6f29c1d5cd2ba7b8c21421617471a3f0c5aac535951f3803ba0a140eb06e2";
constexpr std::string_view AddBack2ModN =
  "eeaf0ab9adb38dd69c33f80afa8fc5e86072618775ff3c0b9ea2314c9c256576"
  "d674df7496ea81d3383b4813d692c6e0e0d5d8e250b98be48e495c1d6089dad1"
  "5dc7d7b46154d6b6ce8ef4ad69b15d4982559b297bcf1885c529f566660e57ec"
  "68edbc3c05726cc02fd4cbf4976eaa9afd5138fe8376435b9fc61d2fc0eb06e2";
constexpr std::string_view FullSquaredModN =
  "e7f0d6a26ffaf77c29fbee9b8776e25d195ca51379368d36a417cd8872b6474e"
  "b5710f0eab13a770d2b97d5d849ee7b055b491c36163c40cfb41d812b10422a9"
  "1161ae10cee95a596d1712edc28397a0d1a864ae0d9ddc325ed1d12aff2e9084"
  "3cc01c04fbf194e46ef8fde6c7069590a4083ce2be378c119a531255fed384d4";
constexpr std::string_view TwoPow1024ModN =
  "1150f546524c722963cc07f505703a179f8d9e788a00c3f4615dceb363da9a89"
  "298b208b69157e2cc7c4b7ec296d391f1f2a271daf46741b71b6a3e29f76252e"
  "a238284b9eab294931710b52964ea2b67daa64d68430e77a3ad60a9999f1a813"
  "971243c3fa8d933fd02b340b6891556502aec7017c89bca46039e2d03f14f91d";
constexpr std::string_view ExchangeAImageSecret =
  "0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20"
  "2122232425262728292a2b2c2d2e2f303132333435363738393a3b3c3d3e3f40"
  "4142434445464748494a4b4c4d4e4f505152535455565758595a5b5c5d5e5f60"
  "6162636465666768696a6b6c6d6e6f707172737475767778797a7b7c7d7e7f80";
constexpr std::string_view ExchangeBImageSecret =
  "030a11181f262d343b424950575e656c737a81888f969da4abb2b9c0c7ced5dc"
  "e3eaf1f8ff060d141b222930373e454c535a61686f767d848b9299a0a7aeb5bc"
  "c3cad1d8dfe6edf4fb020910171e252c333a41484f565d646b727980878e959c"
  "a3aab1b8bfc6cdd4dbe2e9f0f7fe050c131a21282f363d444b525960676e757c";
constexpr std::string_view ExchangeSalt = "12345678";
constexpr std::string_view ExchangeU = "01000000";
constexpr std::string_view ExchangePassword = "cfe0f0eeebfc2d37";
constexpr std::string_view ExchangeX = "34dca65c3ba2ff37f90d8b71d861cd78bbc6943fb512bd569e3dc98af6fe3bd5";
constexpr std::string_view ExchangeVerifier =
  "5775366d30dd1ed44b762f8b9b9f270e9ebaa2826fdae81716650cde3048cf26"
  "71fce13e0279af12249cbe7d29eadcdce14d6ef20591d9ff6dea057eb507cf9b"
  "459a6ce97fc8e76b9941e1822a7da8cb3c37707134ae835198843a36fdb33f84"
  "38d428c80574c5a7a75880c3fcb6af7613a268722d9b0c4dbcce8b434b008166";
constexpr std::string_view ExchangeA =
  "591e1b5c660d0ff09293eaf63fc659f0fce3f9c646b28c7fba433e9744e74b93"
  "5e4d89de6b9c7744a326f8d78871e9d7c1622e758baf7483bc722d71344940d2"
  "6d4e45341ca73f6fed5c2af8d5a3f178209cf6ab1878cb408b2fc5e8956b847f"
  "6a8117a7c64309b989e0500f012f3f01e5aba20af17e158fdce73cfb49248122";
constexpr std::string_view ExchangeB =
  "49a16a3c151dd7c468f178d967eb86b1e0f824a9bceb377f317a7c00358664c7"
  "b020dbd263fc802b32d913429ace4ca789678bfc3bc424a7df73467f29b1497b"
  "06ea31dde43510e912379bb7d3004473eb04af8cfc69309fc3442682c2f7a0aa"
  "eb5aa745d82dbdff8964ea982f8d89c62a358ef7d4fdb762177dd621894d5b1c";
constexpr std::string_view ExchangeLittleU = "23996dd587fbda90705815dd8511bd8f548e084b396c7ba1f4e750e2f1829bd8";
constexpr std::string_view ExchangeS =
  "93100b6ba2bbb0549e0d9118515600859741839996af861a8fd2b6b8f541a824"
  "67924b775a05e62ff2b4f5f0f6307ba427843e9eb79fb6184fa2c9d97cefdd07"
  "6e94a6e804055c818774cf8b83005a5f91f723371603576ca7efb9f7e205ec84"
  "42f2682f1a232612f5fea0c2efc76cd0b1fddb5471ff00f09134a5a5b82dbbc1";
constexpr std::string_view ExchangeM1 = "26e8a3e58d1bc742e465d02eb7dbd36e37011468deb71e13209a1700630688e3";
constexpr std::string_view ExchangeM2 = "b71e2af08c7470532725a93e3e3601a2b10b328779408555cb696b00355ca612";

// Bytes of a hex text (two digits a byte, no separators).
inline std::vector<std::uint8_t> Bytes(std::string_view hex)
{
  auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  std::vector<std::uint8_t> bytes(hex.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(digit(hex[2 * i]) << 4 | digit(hex[2 * i + 1]));
  return bytes;
}

}  // namespace SrpVectors
