#!/usr/bin/env python3
"""Independent vectors for the recorder's SRP-6 login, from hashlib and built-in pow.

Written from the exchange's own rules, not from the C++ code, so that a byte-order mistake
shared by our client and our simulated recorder still shows.  Run it and compare with
srp_reference.txt beside it; the C++ tests carry the printed values as literals.

Number images: a 1024-bit number is 32 words of 32 bits, word 0 the most significant; its
128-byte image is the words in that order, each word's bytes least significant first.
A 32-byte digest enters the arithmetic as the number whose image is 96 zero bytes followed
by the digest.
"""

import hashlib

# RFC 5054, Appendix A, the 1024-bit group.
N = int(
    "EEAF0AB9ADB38DD69C33F80AFA8FC5E86072618775FF3C0B9EA2314C"
    "9C256576D674DF7496EA81D3383B4813D692C6E0E0D5D8E250B98BE4"
    "8E495C1D6089DAD15DC7D7B46154D6B6CE8EF4AD69B15D4982559B29"
    "7BCF1885C529F566660E57EC68EDBC3C05726CC02FD4CBF4976EAA9A"
    "FD5138FE8376435B9FC61D2FC0EB06E3", 16)
g = 2
k = 3  # SRP-6, not the hashed multiplier of SRP-6a


def image(n):
    assert 0 <= n < 1 << 1024
    out = b""
    for w in range(32):
        word = (n >> (32 * (31 - w))) & 0xFFFFFFFF
        out += word.to_bytes(4, "little")
    return out


def from_image(b):
    assert len(b) == 128
    n = 0
    for w in range(32):
        n = (n << 32) | int.from_bytes(b[4 * w:4 * w + 4], "little")
    return n


def from_digest(d):
    assert len(d) == 32
    return from_image(bytes(96) + d)


def H(*parts):
    return hashlib.sha256(b"".join(parts)).digest()


def hx(b):
    return b.hex()


def show(name, value):
    print(f"{name} = {value}")


print("# SHA-256, FIPS 180-4 examples")
fips = [
    ("sha_0", b""),
    ("sha_3", b"abc"),
    ("sha_56", b"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
    ("sha_112", b"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmn"
                b"hijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu"),
    ("sha_million_a", b"a" * 1000000),
]
for name, data in fips:
    show(name, hx(H(data)))

print("# images")
show("image_N", hx(image(N)))
show("image_g", hx(image(g)))

print("# x for salt 00000000, U 01000000, empty password")
salt0 = bytes(4)
U1 = (1).to_bytes(4, "little")
x0 = H(salt0, U1)
show("x_empty", hx(x0))
show("x_empty_as_number", f"{from_digest(x0):064x}")

print("# reduction")
# A value that is one less than a multiple of N: the quotient word estimated from the top
# words is one too large, so the division has to add N back.
show("addback_1", f"{0xFFFFFFFF * N * (1 << (32 * 31)) - 1:0512x}")
show("addback_1_mod_N", f"{(0xFFFFFFFF * N * (1 << (32 * 31)) - 1) % N:0256x}")
show("addback_2", f"{0x80000001 * N - 1:0512x}")
show("addback_2_mod_N", f"{(0x80000001 * N - 1) % N:0256x}")
full = (1 << 1024) - 1
show("full_squared_mod_N", f"{full * full % N:0256x}")
show("two_pow_1024_mod_N", f"{pow(2, 1024, N):0256x}")

print("# one exchange with fixed secrets")
a_img = bytes((i + 1) & 0xFF for i in range(128))       # 01 02 ... 80
b_img = bytes((7 * i + 3) & 0xFF for i in range(128))   # 03 0a 11 ...
salt = bytes([0x12, 0x34, 0x56, 0x78])
U = (1).to_bytes(4, "little")
password = "Пароль-7".encode("cp1251")  # 8-bit text with bytes above 0x7F

a = from_image(a_img)   # not reduced modulo N
b = from_image(b_img)

x = from_digest(H(salt, U, password))
v = pow(g, x, N)
A = pow(g, a, N)
B = (k * v + pow(g, b, N)) % N
u = from_digest(H(image(A), image(B)))
assert u != 0

S_client = pow((B - k * v) % N, a + u * x, N)
S_server = pow(A * pow(v, u, N), b, N)
assert S_client == S_server

M1 = H(image(A), image(B), image(S_client))
M2 = H(image(A), M1, image(S_client))

show("a_image", hx(a_img))
show("b_image", hx(b_img))
show("salt", hx(salt))
show("U", hx(U))
show("password", hx(password))
show("x", hx(H(salt, U, password)))
show("v_image", hx(image(v)))
show("A_image", hx(image(A)))
show("B_image", hx(image(B)))
show("u", hx(H(image(A), image(B))))
show("S_image", hx(image(S_client)))
show("M1", hx(M1))
show("M2", hx(M2))
