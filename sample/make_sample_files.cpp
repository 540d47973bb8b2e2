// Writes the generated files of the demo package into a folder: the logo picture (an 8-bit
// BMP with a full 256-colour table, drawn here) and the two extension files, which hold the
// checksum marker with room for the value that setup-pack stamps at pack time.
//
// usage: make-sample-files DIR
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void put16(std::vector<uint8_t>& v, uint32_t x) { v.push_back((uint8_t)x), v.push_back((uint8_t)(x >> 8)); }
void put32(std::vector<uint8_t>& v, uint32_t x) { put16(v, x & 0xFFFF), put16(v, x >> 16); }

bool write(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// A tall picture: a blue-to-black band with a ring of lighter dots and a stripe, in the
// palette's 256 shades of blue and gold.
std::vector<uint8_t> make_logo() {
    const int width = 160, height = 360, stride = (width + 3) & ~3;
    std::vector<uint8_t> v;
    uint32_t pixels = (uint32_t)(stride * height), offset = 14 + 40 + 1024;
    v.push_back('B'), v.push_back('M');
    put32(v, offset + pixels), put32(v, 0), put32(v, offset);
    put32(v, 40), put32(v, width), put32(v, height), put16(v, 1), put16(v, 8);
    put32(v, 0), put32(v, pixels), put32(v, 2835), put32(v, 2835), put32(v, 256), put32(v, 0);
    for (int i = 0; i < 256; ++i) {   // blue, green, red, reserved
        if (i < 192) v.push_back((uint8_t)(40 + i)), v.push_back((uint8_t)(i / 3)), v.push_back(0);
        else v.push_back(0), v.push_back((uint8_t)(140 + (i - 192) * 2)), v.push_back((uint8_t)(200 + (i - 192)));
        v.push_back(0);
    }
    for (int y = 0; y < height; ++y) {   // bottom-up rows
        for (int x = 0; x < stride; ++x) {
            int shade = 191 * y / height;
            int dx = x - width / 2, dy = y - height * 2 / 3, r2 = dx * dx + dy * dy;
            bool ring = r2 > 45 * 45 && r2 < 55 * 55;
            bool stripe = y > height / 4 && y < height / 4 + 8;
            v.push_back(x >= width ? 0 : (uint8_t)(ring || stripe ? 192 + (x + y) % 64 : shade));
        }
    }
    return v;
}

// An extension file: a short header text, the marker with four zero bytes for the checksum,
// then `body` bytes of made-up data.
std::vector<uint8_t> make_extension(const char* title, int body, uint32_t seed) {
    std::vector<uint8_t> v(title, title + std::string(title).size());
    const uint8_t marker[] = {0x44, 0x02, 0x01, 0x56, 0x27, 0x75, 0, 0, 0, 0};
    v.insert(v.end(), marker, marker + sizeof marker);
    for (int i = 0; i < body; ++i) {
        seed = seed * 1103515245u + 12345u;
        v.push_back((uint8_t)(i % 7 == 0 ? seed >> 24 : (i / 16) & 0xFF));
    }
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample-files DIR\n");
        return 64;
    }
    std::string dir = std::string(argv[1]) + "/";
    bool ok = write(dir + "logo.bmp", make_logo()) &&
              write(dir + "npanim.cox", make_extension("Brisvane! sample animation extension\r\n\x1a", 9000, 1)) &&
              write(dir + "npsound.mox", make_extension("Brisvane! sample sound extension\r\n\x1a", 3000, 2));
    if (!ok) std::fprintf(stderr, "make-sample-files: cannot write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
