// Reader for the text form of .X mesh files (see xfile_parser.h for what it accepts).
// Every count is checked against the bytes left in the file before anything is allocated, so a
// hostile file costs at most a small multiple of its own size.
#include "xfile_parser.h"

#include <cfloat>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
#include <unordered_map>

namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kMaxNumberLength = 64;
constexpr size_t kMaxGuidLength = 64;
constexpr uint32_t kNoNormal = 0xFFFFFFFFu;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_name_start(char c) { return is_letter(c) || c == '_'; }
bool is_name_char(char c) { return is_letter(c) || is_digit(c) || c == '_' || c == '-' || c == '.'; }

enum class TokenKind {
  End,
  Error,
  Name,
  Integer,
  Float,
  String,
  Guid,
  OpenBrace,
  CloseBrace,
  Separator,
  Other
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view text;  // a string's text excludes its quotes
  size_t line = 1;
};

// Splits the text after the header into tokens, skipping white space and comments.
class Lexer {
 public:
  Lexer(const char* data, size_t size, size_t start)
      : data_(data), size_(size), pos_(start < size ? start : size) {}

  const Token& peek() {
    if (!has_peeked_) {
      peeked_ = scan();
      has_peeked_ = true;
    }
    return peeked_;
  }

  Token next() {
    Token token = peek();
    has_peeked_ = false;
    return token;
  }

  // Bytes not yet scanned (exact right after next(), before any peek()).
  size_t remaining() const { return size_ - pos_; }
  size_t line() const { return has_peeked_ ? peeked_.line : line_; }
  const std::string& error() const { return error_; }

 private:
  Token make(TokenKind kind, size_t start, size_t length, size_t line) {
    Token token;
    token.kind = kind;
    token.text = std::string_view(data_ + start, length);
    token.line = line;
    return token;
  }

  Token fail(const std::string& message, size_t line) {
    error_ = message;
    Token token;
    token.kind = TokenKind::Error;
    token.line = line;
    pos_ = size_;  // nothing after a lexical error is read
    return token;
  }

  void skip_space_and_comments() {
    while (pos_ < size_) {
      const char c = data_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        ++pos_;
      } else if (c == '#' || (c == '/' && pos_ + 1 < size_ && data_[pos_ + 1] == '/')) {
        while (pos_ < size_ && data_[pos_] != '\n') ++pos_;
      } else {
        return;
      }
    }
  }

  bool starts_number(size_t p) const {
    const char c = data_[p];
    if (is_digit(c)) return true;
    if (c != '-' && c != '+' && c != '.') return false;
    if (p + 1 >= size_) return false;
    const char d = data_[p + 1];
    return is_digit(d) || (c != '.' && d == '.');
  }

  Token scan_number() {
    const size_t start = pos_;
    size_t p = pos_;
    bool integer = true;
    if (data_[p] == '-' || data_[p] == '+') ++p;
    size_t digits = 0;
    while (p < size_ && is_digit(data_[p])) ++p, ++digits;
    if (p < size_ && data_[p] == '.') {
      integer = false;
      ++p;
      while (p < size_ && is_digit(data_[p])) ++p, ++digits;
    }
    if (digits == 0) return fail("malformed number", line_);
    if (p < size_ && (data_[p] == 'e' || data_[p] == 'E')) {
      integer = false;
      ++p;
      if (p < size_ && (data_[p] == '-' || data_[p] == '+')) ++p;
      size_t exponent_digits = 0;
      while (p < size_ && is_digit(data_[p])) ++p, ++exponent_digits;
      if (exponent_digits == 0) return fail("malformed number", line_);
    }
    // A number runs up to a separator, so that every value takes at least two bytes.
    if (p < size_ && (is_name_char(data_[p]) || data_[p] == '+')) return fail("malformed number", line_);
    if (p - start > kMaxNumberLength) return fail("number too long", line_);
    pos_ = p;
    return make(integer ? TokenKind::Integer : TokenKind::Float, start, p - start, line_);
  }

  Token scan() {
    skip_space_and_comments();
    if (pos_ >= size_) return make(TokenKind::End, pos_, 0, line_);
    const size_t start = pos_;
    const char c = data_[pos_];
    if (c == '{' || c == '}' || c == ';' || c == ',') {
      ++pos_;
      const TokenKind kind = c == '{'   ? TokenKind::OpenBrace
                             : c == '}' ? TokenKind::CloseBrace
                                        : TokenKind::Separator;
      return make(kind, start, 1, line_);
    }
    if (c == '"') {
      const size_t line = line_;
      size_t p = pos_ + 1;
      while (p < size_ && data_[p] != '"') {
        if (data_[p] == '\n') ++line_;
        ++p;
      }
      if (p >= size_) return fail("unterminated string", line);
      pos_ = p + 1;
      return make(TokenKind::String, start + 1, p - start - 1, line);
    }
    if (c == '<') {
      size_t p = pos_ + 1;
      while (p < size_ && p - start <= kMaxGuidLength && data_[p] != '>') ++p;
      if (p >= size_ || data_[p] != '>') return fail("malformed GUID", line_);
      pos_ = p + 1;
      return make(TokenKind::Guid, start, pos_ - start, line_);
    }
    if (starts_number(pos_)) return scan_number();
    if (is_name_start(c)) {
      size_t p = pos_ + 1;
      while (p < size_ && is_name_char(data_[p])) ++p;
      pos_ = p;
      return make(TokenKind::Name, start, p - start, line_);
    }
    ++pos_;
    return make(TokenKind::Other, start, 1, line_);
  }

  const char* data_;
  size_t size_;
  size_t pos_;
  size_t line_ = 1;
  bool has_peeked_ = false;
  Token peeked_;
  std::string error_;
};

// Text from the file made safe and short for a message.
std::string printable(std::string_view text) {
  constexpr size_t kMaxShown = 40;
  std::string shown;
  for (size_t i = 0; i < text.size() && i < kMaxShown; ++i)
    shown += (text[i] >= 0x20 && text[i] < 0x7F) ? text[i] : '?';
  if (text.size() > kMaxShown) shown += "...";
  return shown;
}

std::string describe(const Token& token) {
  switch (token.kind) {
    case TokenKind::End:
      return "the end of the file";
    case TokenKind::Name:
      return "'" + printable(token.text) + "'";
    case TokenKind::Integer:
    case TokenKind::Float:
      return "number " + printable(token.text);
    case TokenKind::String:
      return "a string";
    case TokenKind::Guid:
      return "a GUID";
    default: {
      const unsigned char c = token.text.empty() ? 0 : static_cast<unsigned char>(token.text[0]);
      if (c >= 0x20 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "'";
      char code[16];
      std::snprintf(code, sizeof code, "byte 0x%02X", c);
      return code;
    }
  }
}

// A material reference {Name} waiting for the named top-level Material.
struct MaterialReference {
  size_t materialIndex;
  std::string name;
  size_t line;
};

// One Mesh object as read, before it joins the result.
struct MeshInput {
  std::vector<float> positions;     // 3 per vertex
  std::vector<uint32_t> faceSizes;  // corners of each face
  std::vector<uint32_t> corners;    // vertex index of each face corner
  bool hasNormals = false;
  std::vector<float> normals;           // 3 per normal
  std::vector<uint32_t> cornerNormals;  // normal index of each face corner
  bool hasTexCoords = false;
  std::vector<float> texCoords;  // 2 per vertex
  bool hasMaterialList = false;
  std::vector<uint32_t> faceMaterials;  // one per face
  std::vector<XMaterial> materials;
  std::vector<MaterialReference> references;  // materialIndex into `materials`

  size_t vertex_count() const { return positions.size() / 3; }
};

// Row-vector affine transform of the positions and normals of vertices [first, end).
void transform_vertices(std::vector<XVertex>& vertices, size_t first, const float m[16]) {
  // Normals take the inverse transpose of the 3x3 part A, which is A's cofactor matrix divided
  // by the determinant; as normals are renormalised, only the determinant's sign matters.
  float cof[9] = {
      // row-major cofactors of A
      m[5] * m[10] - m[6] * m[9], m[6] * m[8] - m[4] * m[10], m[4] * m[9] - m[5] * m[8],
      m[2] * m[9] - m[1] * m[10], m[0] * m[10] - m[2] * m[8], m[1] * m[8] - m[0] * m[9],
      m[1] * m[6] - m[2] * m[5],  m[2] * m[4] - m[0] * m[6],  m[0] * m[5] - m[1] * m[4],
  };
  const float det = m[0] * cof[0] + m[1] * cof[1] + m[2] * cof[2];
  if (det < 0.0f)
    for (float& c : cof) c = -c;
  for (size_t i = first; i < vertices.size(); ++i) {
    XVertex& v = vertices[i];
    const float x = v.x, y = v.y, z = v.z;
    v.x = x * m[0] + y * m[4] + z * m[8] + m[12];
    v.y = x * m[1] + y * m[5] + z * m[9] + m[13];
    v.z = x * m[2] + y * m[6] + z * m[10] + m[14];
    // n * (A^-1)^T with row vectors: n'_j = sum_i n_i * cof[i][j].
    const float nx = v.nx, ny = v.ny, nz = v.nz;
    float tx = nx * cof[0] + ny * cof[3] + nz * cof[6];
    float ty = nx * cof[1] + ny * cof[4] + nz * cof[7];
    float tz = nx * cof[2] + ny * cof[5] + nz * cof[8];
    const float length = std::sqrt(tx * tx + ty * ty + tz * tz);
    if (length > 0.0f && std::isfinite(length)) {
      tx /= length;
      ty /= length;
      tz /= length;
    }
    v.nx = tx;
    v.ny = ty;
    v.nz = tz;
  }
}

class XTextParser {
 public:
  XTextParser(const char* data, size_t size) : data_(data), size_(size), lexer_(data, size, kHeaderSize) {}

  bool parse(XMeshData* out) {
    if (!check_header()) return false;
    for (;;) {
      skip_separators();
      const Token token = lexer_.next();
      if (token.kind == TokenKind::End) break;
      if (token.kind == TokenKind::OpenBrace) {  // a stray reference
        if (!skip_body()) return false;
        continue;
      }
      if (token.kind != TokenKind::Name) return fail_at(token, "expected an object");
      if (token.text == "template") {
        if (!skip_template()) return false;
        continue;
      }
      std::string name;
      if (!open_body(token, &name)) return false;
      if (token.text == "Frame") {
        if (!parse_frame(1)) return false;
      } else if (token.text == "Mesh") {
        if (!parse_mesh()) return false;
      } else if (token.text == "Material") {
        XMaterial material;
        if (!parse_material(&material)) return false;
        if (!name.empty()) namedMaterials_.emplace(name, material);  // the first definition wins
      } else if (!skip_body()) {
        return false;
      }
    }
    if (!resolve_references()) return false;
    if (result_.faceAttributes.empty()) return fail("the file holds no mesh faces");
    *out = std::move(result_);
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  bool check_header() {
    if (size_ < kHeaderSize || std::memcmp(data_, "xof ", 4) != 0)
      return fail_line(1, "not a DirectX .X file (no \"xof \" header)");
    const std::string_view version(data_ + 4, 4), format(data_ + 8, 4), floatSize(data_ + 12, 4);
    if (format == "bin ") return fail_line(1, "binary .X files are not supported (only \"txt \")");
    if (format == "tzip" || format == "bzip")
      return fail_line(1, "compressed .X files are not supported (only \"txt \")");
    if (format != "txt ") return fail_line(1, "unknown .X format \"" + printable(format) + "\"");
    if (version != "0303") return fail_line(1, "unsupported .X version " + printable(version));
    if (floatSize != "0032" && floatSize != "0064")
      return fail_line(1, "bad float size \"" + printable(floatSize) + "\" in the header");
    return true;
  }

  bool fail_line(size_t line, const std::string& message) {
    if (error_.empty()) error_ = "line " + std::to_string(line) + ": " + message;
    return false;
  }
  bool fail(const std::string& message) { return fail_line(lexer_.line(), message); }
  bool fail_at(const Token& token, const std::string& expected) {
    if (token.kind == TokenKind::Error) return fail_line(token.line, lexer_.error());
    return fail_line(token.line, expected + ", found " + describe(token));
  }

  void skip_separators() {
    while (lexer_.peek().kind == TokenKind::Separator) lexer_.next();
  }

  // After an object's type: an optional name, '{' and an optional GUID.
  bool open_body(const Token& type, std::string* name) {
    Token token = lexer_.next();
    if (token.kind == TokenKind::Name) {
      *name = std::string(token.text);
      token = lexer_.next();
    }
    if (token.kind != TokenKind::OpenBrace)
      return fail_at(token, "expected '{' after " + std::string(type.text));
    if (lexer_.peek().kind == TokenKind::Guid) lexer_.next();
    return true;
  }

  // Skips the rest of a body whose '{' has been read, nested bodies included.
  bool skip_body() {
    int depth = 1;
    while (depth > 0) {
      const Token token = lexer_.next();
      if (token.kind == TokenKind::OpenBrace) {
        ++depth;
      } else if (token.kind == TokenKind::CloseBrace) {
        --depth;
      } else if (token.kind == TokenKind::End || token.kind == TokenKind::Error) {
        return fail_at(token, "expected '}'");
      }
    }
    return true;
  }

  bool skip_template() {
    const Token name = lexer_.next();
    if (name.kind != TokenKind::Name) return fail_at(name, "expected a template name");
    const Token open = lexer_.next();
    if (open.kind != TokenKind::OpenBrace) return fail_at(open, "expected '{' after the template name");
    return skip_body();
  }

  bool close_body(const char* object) {
    skip_separators();
    const Token token = lexer_.next();
    if (token.kind != TokenKind::CloseBrace)
      return fail_at(token, std::string("expected '}' to close ") + object);
    return true;
  }

  bool read_float(float* value, const char* what) {
    skip_separators();
    const Token token = lexer_.next();
    if (token.kind != TokenKind::Integer && token.kind != TokenKind::Float)
      return fail_at(token, std::string("expected a number (") + what + ")");
    // strtod reads the lexer's digits as C does (the program never changes its locale); it
    // needs them NUL-terminated. (std::from_chars for floating point is missing from the
    // browser build's C++ library.)
    const std::string text(token.text);
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno == ERANGE || end != text.c_str() + text.size())
      return fail_line(token.line, "number " + printable(token.text) + " is out of range");
    if (parsed > FLT_MAX) {
      *value = INFINITY;
    } else if (parsed < -FLT_MAX) {
      *value = -INFINITY;
    } else {
      *value = static_cast<float>(parsed);
    }
    return true;
  }

  bool read_floats(float* values, int count, const char* what) {
    for (int i = 0; i < count; ++i)
      if (!read_float(&values[i], what)) return false;
    return true;
  }

  bool read_uint(uint32_t* value, const char* what) {
    skip_separators();
    const Token token = lexer_.next();
    if (token.kind != TokenKind::Integer || token.text[0] == '-' || token.text[0] == '+')
      return fail_at(token, std::string("expected a whole number (") + what + ")");
    uint64_t parsed = 0;
    for (const char c : token.text) {
      parsed = parsed * 10 + static_cast<uint64_t>(c - '0');
      if (parsed > 0xFFFFFFFFu) return fail_line(token.line, std::string("number too large (") + what + ")");
    }
    *value = static_cast<uint32_t>(parsed);
    return true;
  }

  // A count of items of `numbersPerItem` values each. Every value takes at least two bytes
  // (itself and a separator), so a count the rest of the file cannot hold fails here, before
  // anything is allocated for it.
  bool read_count(uint32_t* count, const char* what, uint64_t numbersPerItem) {
    if (!read_uint(count, what)) return false;
    if (uint64_t{*count} * numbersPerItem * 2 > lexer_.remaining())
      return fail(std::string(what) + " " + std::to_string(*count) +
                  " is more than the rest of the file holds");
    return true;
  }

  bool read_index(uint32_t* index, uint64_t limit, const char* what) {
    if (!read_uint(index, what)) return false;
    if (*index >= limit)
      return fail(std::string(what) + " " + std::to_string(*index) + " is out of range (there are " +
                  std::to_string(limit) + ")");
    return true;
  }

  bool parse_frame(int depth) {
    if (depth > kXMaxNesting) return fail("Frames nested too deeply");
    const size_t firstVertex = result_.vertices.size();
    bool hasMatrix = false;
    float matrix[16];
    for (;;) {
      skip_separators();
      const Token token = lexer_.next();
      if (token.kind == TokenKind::CloseBrace) break;
      if (token.kind == TokenKind::OpenBrace) {  // a reference to an object elsewhere: not followed
        if (!skip_body()) return false;
        continue;
      }
      if (token.kind != TokenKind::Name) return fail_at(token, "expected an object or '}' in Frame");
      std::string name;
      if (!open_body(token, &name)) return false;
      if (token.text == "FrameTransformMatrix") {
        if (hasMatrix) return fail_line(token.line, "a Frame with two FrameTransformMatrix objects");
        hasMatrix = true;
        if (!read_floats(matrix, 16, "FrameTransformMatrix") || !close_body("FrameTransformMatrix"))
          return false;
      } else if (token.text == "Frame") {
        if (!parse_frame(depth + 1)) return false;
      } else if (token.text == "Mesh") {
        if (!parse_mesh()) return false;
      } else if (!skip_body()) {
        return false;
      }
    }
    // Applied when the frame closes, after its children have applied theirs: child first.
    if (hasMatrix) transform_vertices(result_.vertices, firstVertex, matrix);
    return true;
  }

  bool parse_mesh() {
    MeshInput mesh;
    uint32_t vertexCount = 0;
    if (!read_count(&vertexCount, "vertex count", 3)) return false;
    mesh.positions.resize(size_t{vertexCount} * 3);
    for (size_t i = 0; i < mesh.positions.size(); ++i)
      if (!read_float(&mesh.positions[i], "vertex position")) return false;

    uint32_t faceCount = 0;
    if (!read_count(&faceCount, "face count", 4)) return false;
    mesh.faceSizes.resize(faceCount);
    for (uint32_t f = 0; f < faceCount; ++f) {
      uint32_t corners = 0;
      if (!read_count(&corners, "face index count", 1)) return false;
      if (corners < 3)
        return fail("face " + std::to_string(f) + " has " + std::to_string(corners) +
                    " indices (at least 3 needed)");
      mesh.faceSizes[f] = corners;
      for (uint32_t c = 0; c < corners; ++c) {
        uint32_t index = 0;
        if (!read_index(&index, vertexCount, "vertex index")) return false;
        mesh.corners.push_back(index);
      }
    }

    for (;;) {
      skip_separators();
      const Token token = lexer_.next();
      if (token.kind == TokenKind::CloseBrace) break;
      if (token.kind == TokenKind::OpenBrace) {
        if (!skip_body()) return false;
        continue;
      }
      if (token.kind != TokenKind::Name) return fail_at(token, "expected an object or '}' in Mesh");
      std::string name;
      if (!open_body(token, &name)) return false;
      bool ok = true;
      if (token.text == "MeshNormals") {
        ok = parse_normals(&mesh, token.line);
      } else if (token.text == "MeshTextureCoords") {
        ok = parse_texture_coords(&mesh, token.line);
      } else if (token.text == "MeshMaterialList") {
        ok = parse_material_list(&mesh, token.line);
      } else {
        ok = skip_body();
      }
      if (!ok) return false;
    }
    return add_mesh(mesh);
  }

  bool parse_normals(MeshInput* mesh, size_t line) {
    if (mesh->hasNormals) return fail_line(line, "a Mesh with two MeshNormals objects");
    mesh->hasNormals = true;
    uint32_t normalCount = 0;
    if (!read_count(&normalCount, "normal count", 3)) return false;
    mesh->normals.resize(size_t{normalCount} * 3);
    for (float& value : mesh->normals)
      if (!read_float(&value, "normal")) return false;
    uint32_t faceCount = 0;
    if (!read_uint(&faceCount, "normal face count")) return false;
    if (faceCount != mesh->faceSizes.size())
      return fail("MeshNormals has " + std::to_string(faceCount) + " faces, the mesh " +
                  std::to_string(mesh->faceSizes.size()));
    mesh->cornerNormals.reserve(mesh->corners.size());
    for (size_t f = 0; f < mesh->faceSizes.size(); ++f) {
      uint32_t corners = 0;
      if (!read_uint(&corners, "normal face index count")) return false;
      if (corners != mesh->faceSizes[f])
        return fail("MeshNormals face " + std::to_string(f) + " has " + std::to_string(corners) +
                    " indices, the mesh face " + std::to_string(mesh->faceSizes[f]));
      for (uint32_t c = 0; c < corners; ++c) {
        uint32_t index = 0;
        if (!read_index(&index, normalCount, "normal index")) return false;
        mesh->cornerNormals.push_back(index);
      }
    }
    return close_body("MeshNormals");
  }

  bool parse_texture_coords(MeshInput* mesh, size_t line) {
    if (mesh->hasTexCoords) return fail_line(line, "a Mesh with two MeshTextureCoords objects");
    mesh->hasTexCoords = true;
    uint32_t count = 0;
    if (!read_uint(&count, "texture coordinate count")) return false;
    if (count != mesh->vertex_count())
      return fail("MeshTextureCoords has " + std::to_string(count) + " entries, the mesh " +
                  std::to_string(mesh->vertex_count()) + " vertices");
    mesh->texCoords.resize(size_t{count} * 2);
    for (float& value : mesh->texCoords)
      if (!read_float(&value, "texture coordinate")) return false;
    return close_body("MeshTextureCoords");
  }

  bool parse_material_list(MeshInput* mesh, size_t line) {
    if (mesh->hasMaterialList) return fail_line(line, "a Mesh with two MeshMaterialList objects");
    mesh->hasMaterialList = true;
    uint32_t materialCount = 0;
    if (!read_count(&materialCount, "material count", 1)) return false;
    if (materialCount > kXMaxMaterials - result_.materials.size()) return fail("too many materials");
    uint32_t indexCount = 0;
    if (!read_uint(&indexCount, "face index count of the material list")) return false;
    const size_t faceCount = mesh->faceSizes.size();
    // One id per face; a single id may also stand for every face.
    if (indexCount != faceCount && !(indexCount == 1 && faceCount > 0))
      return fail("MeshMaterialList has " + std::to_string(indexCount) + " face indices, the mesh " +
                  std::to_string(faceCount) + " faces");
    mesh->faceMaterials.resize(faceCount);
    for (uint32_t i = 0; i < indexCount; ++i)
      if (!read_index(&mesh->faceMaterials[i], materialCount, "material index")) return false;
    if (indexCount == 1)
      for (uint32_t& id : mesh->faceMaterials) id = mesh->faceMaterials[0];

    for (;;) {
      skip_separators();
      const Token token = lexer_.next();
      if (token.kind == TokenKind::CloseBrace) break;
      if (token.kind == TokenKind::OpenBrace) {
        if (mesh->materials.size() >= materialCount)
          return fail_line(token.line,
                           "more Material objects than the count " + std::to_string(materialCount));
        if (!parse_material_reference(mesh)) return false;
      } else if (token.kind == TokenKind::Name) {
        std::string name;
        if (!open_body(token, &name)) return false;
        if (token.text == "Material") {
          if (mesh->materials.size() >= materialCount)
            return fail_line(token.line,
                             "more Material objects than the count " + std::to_string(materialCount));
          mesh->materials.emplace_back();
          if (!parse_material(&mesh->materials.back())) return false;
        } else if (!skip_body()) {
          return false;
        }
      } else {
        return fail_at(token, "expected a Material or '}' in MeshMaterialList");
      }
    }
    if (mesh->materials.size() != materialCount)
      return fail("MeshMaterialList names " + std::to_string(materialCount) + " materials but holds " +
                  std::to_string(mesh->materials.size()));
    return true;
  }

  // "{ Name }" or "{ Name <GUID> }" inside a material list; the '{' has been read.
  bool parse_material_reference(MeshInput* mesh) {
    const Token name = lexer_.next();
    if (name.kind != TokenKind::Name) return fail_at(name, "expected the name of a Material");
    if (lexer_.peek().kind == TokenKind::Guid) lexer_.next();
    const Token close = lexer_.next();
    if (close.kind != TokenKind::CloseBrace) return fail_at(close, "expected '}' after the Material name");
    mesh->references.push_back({mesh->materials.size(), std::string(name.text), name.line});
    mesh->materials.emplace_back();
    return true;
  }

  bool parse_material(XMaterial* material) {
    float values[11];
    if (!read_floats(values, 11, "Material")) return false;
    material->diffuse = {values[0], values[1], values[2], values[3]};
    material->power = values[4];
    material->specular = {values[5], values[6], values[7], 1.0f};
    material->emissive = {values[8], values[9], values[10], 1.0f};
    bool hasTexture = false;
    for (;;) {
      skip_separators();
      const Token token = lexer_.next();
      if (token.kind == TokenKind::CloseBrace) return true;
      if (token.kind == TokenKind::OpenBrace) {
        if (!skip_body()) return false;
        continue;
      }
      if (token.kind != TokenKind::Name) return fail_at(token, "expected an object or '}' in Material");
      std::string name;
      if (!open_body(token, &name)) return false;
      if (!equals_ignoring_case(token.text, "TextureFilename")) {
        if (!skip_body()) return false;
        continue;
      }
      if (hasTexture) return fail_line(token.line, "a Material with two TextureFilename objects");
      hasTexture = true;
      skip_separators();
      const Token file = lexer_.next();
      if (file.kind != TokenKind::String) return fail_at(file, "expected the texture file name in quotes");
      if (file.text.size() > kXMaxTextureNameLength)
        return fail_line(file.line, "texture file name too long");
      material->textureFile = std::string(file.text);
      if (!close_body("TextureFilename")) return false;
    }
  }

  static bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = b[i];
      if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
      if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
      if (x != y) return false;
    }
    return true;
  }

  // Appends one mesh to the result: vertices (split where a vertex has several normals),
  // fan-triangulated faces and materials, with indices and ids offset past what is there.
  bool add_mesh(const MeshInput& mesh) {
    const size_t vertexCount = mesh.vertex_count();
    const size_t vertexBase = result_.vertices.size();
    const size_t materialBase = result_.materials.size();
    if (materialBase + (mesh.hasMaterialList ? mesh.materials.size() : 1) > kXMaxMaterials)
      return fail("too many materials");

    // Output vertex of each face corner, and the extra vertices for further normals.
    std::vector<uint32_t> cornerVertex(mesh.corners.size());
    std::vector<uint32_t> vertexNormal(vertexCount, kNoNormal);
    std::vector<std::pair<uint32_t, uint32_t>> extraVertices;  // (source vertex, normal)
    std::unordered_map<uint64_t, uint32_t> extraByKey;
    for (size_t c = 0; c < mesh.corners.size(); ++c) {
      const uint32_t vertex = mesh.corners[c];
      if (!mesh.hasNormals) {
        cornerVertex[c] = vertex;
        continue;
      }
      const uint32_t normal = mesh.cornerNormals[c];
      if (vertexNormal[vertex] == kNoNormal) vertexNormal[vertex] = normal;
      if (vertexNormal[vertex] == normal) {
        cornerVertex[c] = vertex;
        continue;
      }
      const uint64_t key = (uint64_t{vertex} << 32) | normal;
      const auto found = extraByKey.find(key);
      if (found != extraByKey.end()) {
        cornerVertex[c] = found->second;
      } else {
        const uint32_t index = static_cast<uint32_t>(vertexCount + extraVertices.size());
        extraByKey.emplace(key, index);
        extraVertices.emplace_back(vertex, normal);
        cornerVertex[c] = index;
      }
    }

    auto make_vertex = [&mesh](size_t source, uint32_t normal) {
      XVertex v{};
      v.x = mesh.positions[source * 3];
      v.y = mesh.positions[source * 3 + 1];
      v.z = mesh.positions[source * 3 + 2];
      if (normal != kNoNormal) {
        v.nx = mesh.normals[size_t{normal} * 3];
        v.ny = mesh.normals[size_t{normal} * 3 + 1];
        v.nz = mesh.normals[size_t{normal} * 3 + 2];
      }
      if (mesh.hasTexCoords) {
        v.u = mesh.texCoords[source * 2];
        v.v = mesh.texCoords[source * 2 + 1];
      }
      return v;
    };
    result_.vertices.reserve(vertexBase + vertexCount + extraVertices.size());
    for (size_t i = 0; i < vertexCount; ++i) result_.vertices.push_back(make_vertex(i, vertexNormal[i]));
    for (const auto& extra : extraVertices)
      result_.vertices.push_back(make_vertex(extra.first, extra.second));

    size_t first = 0;
    for (size_t f = 0; f < mesh.faceSizes.size(); ++f) {
      const uint32_t attribute =
          static_cast<uint32_t>(materialBase + (mesh.hasMaterialList ? mesh.faceMaterials[f] : 0));
      for (uint32_t k = 1; k + 1 < mesh.faceSizes[f]; ++k) {
        result_.indices.push_back(static_cast<uint32_t>(vertexBase + cornerVertex[first]));
        result_.indices.push_back(static_cast<uint32_t>(vertexBase + cornerVertex[first + k]));
        result_.indices.push_back(static_cast<uint32_t>(vertexBase + cornerVertex[first + k + 1]));
        result_.faceAttributes.push_back(attribute);
      }
      first += mesh.faceSizes[f];
    }

    if (mesh.hasMaterialList) {
      result_.materials.insert(result_.materials.end(), mesh.materials.begin(), mesh.materials.end());
      for (const MaterialReference& reference : mesh.references)
        references_.push_back({materialBase + reference.materialIndex, reference.name, reference.line});
    } else {
      result_.materials.emplace_back();
    }
    result_.hasNormals = result_.hasNormals || mesh.hasNormals;
    result_.hasTexCoords = result_.hasTexCoords || mesh.hasTexCoords;
    return true;
  }

  bool resolve_references() {
    for (const MaterialReference& reference : references_) {
      const auto found = namedMaterials_.find(reference.name);
      if (found == namedMaterials_.end())
        return fail_line(reference.line, "no top-level Material named '" + printable(reference.name) + "'");
      result_.materials[reference.materialIndex] = found->second;
    }
    return true;
  }

  const char* data_;
  size_t size_;
  Lexer lexer_;
  XMeshData result_;
  std::map<std::string, XMaterial> namedMaterials_;
  std::vector<MaterialReference> references_;  // materialIndex into result_.materials
  std::string error_;
};

}  // namespace

bool parse_x_text(const char* data, size_t size, XMeshData* out, std::string* error) {
  XTextParser parser(data, size);
  if (parser.parse(out)) return true;
  if (error) *error = parser.error();
  return false;
}

bool load_x_file(const char* path, XMeshData* out, std::string* error) {
  FILE* file = std::fopen(path, "rb");
  if (!file) {
    if (error) *error = std::string(path) + ": cannot open the file";
    return false;
  }
  std::vector<char> bytes;
  char chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (bytes.size() + got > kXMaxFileSize) {
      std::fclose(file);
      if (error) *error = std::string(path) + ": the file is too large";
      return false;
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  const bool readFailed = std::ferror(file) != 0;
  std::fclose(file);
  if (readFailed) {
    if (error) *error = std::string(path) + ": cannot read the file";
    return false;
  }
  std::string message;
  if (parse_x_text(bytes.data(), bytes.size(), out, &message)) return true;
  if (error) *error = std::string(path) + ": " + message;
  return false;
}
