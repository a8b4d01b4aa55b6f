#include "mesh_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float kPi = 3.14159265358979f;

float radians(float degrees) { return degrees * kPi / 180.0f; }

// Texture coordinates of (s, t) in 0..1 of a rectangle, kept half a pixel inside it.
void set_uv(MeshVertex& v, const UvRect& r, float s, float t) {
  s = std::clamp(s, 0.0f, 1.0f);
  t = std::clamp(t, 0.0f, 1.0f);
  v.u = (r.x0 + 0.5f + s * (r.x1 - r.x0 - 1.0f)) / static_cast<float>(r.size);
  v.v = (r.y0 + 0.5f + t * (r.y1 - r.y0 - 1.0f)) / static_cast<float>(r.size);
}

MeshVertex vertex(Vec3 p, Vec3 n, const UvRect& r, float s, float t) {
  MeshVertex v;
  v.position = p;
  v.normal = n;
  set_uv(v, r, s, t);
  return v;
}

uint32_t index_of(const Part& part) { return static_cast<uint32_t>(part.vertices.size()); }

// A flat convex polygon through the given ring of positions, facing `normal`, its disc mapped
// into the rectangle by (cs, sn) pairs.
void add_cap(Part& part, const std::vector<Vec3>& ring, const std::vector<float>& s,
             const std::vector<float>& t, Vec3 normal, const UvRect& uv) {
  std::vector<uint32_t> face;
  for (size_t i = 0; i < ring.size(); ++i) {
    face.push_back(index_of(part));
    part.vertices.push_back(vertex(ring[i], normal, uv, s[i], t[i]));
  }
  part.faces.push_back(face);
}

}  // namespace

Vec3 operator+(Vec3 a, Vec3 b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float k) { return Vec3{a.x * k, a.y * k, a.z * k}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) {
  return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(Vec3 a) { return std::sqrt(dot(a, a)); }
Vec3 normalized(Vec3 a) {
  const float l = length(a);
  return l > 0 ? a * (1.0f / l) : a;
}

Vec3 Transform::point(Vec3 p) const {
  return Vec3{linear[0][0] * p.x + linear[0][1] * p.y + linear[0][2] * p.z + offset.x,
              linear[1][0] * p.x + linear[1][1] * p.y + linear[1][2] * p.z + offset.y,
              linear[2][0] * p.x + linear[2][1] * p.y + linear[2][2] * p.z + offset.z};
}

Vec3 Transform::normal(Vec3 n) const {
  // The cofactor matrix is the inverse transpose times the determinant; only the direction matters,
  // but a negative determinant (a mirror) must not flip the normal.
  const auto& m = linear;
  float c[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      c[i][j] = m[i1][j1] * m[i2][j2] - m[i1][j2] * m[i2][j1];
    }
  const float det = m[0][0] * c[0][0] + m[0][1] * c[0][1] + m[0][2] * c[0][2];
  Vec3 out{c[0][0] * n.x + c[0][1] * n.y + c[0][2] * n.z, c[1][0] * n.x + c[1][1] * n.y + c[1][2] * n.z,
           c[2][0] * n.x + c[2][1] * n.y + c[2][2] * n.z};
  if (det < 0) out = out * -1.0f;
  return normalized(out);
}

Transform Transform::then(const Transform& next) const {
  Transform out;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      out.linear[i][j] = next.linear[i][0] * linear[0][j] + next.linear[i][1] * linear[1][j] +
                         next.linear[i][2] * linear[2][j];
  out.offset = next.point(offset);
  return out;
}

Transform translate(Vec3 v) {
  Transform t;
  t.offset = v;
  return t;
}

Transform scale(Vec3 s) {
  Transform t;
  t.linear[0][0] = s.x;
  t.linear[1][1] = s.y;
  t.linear[2][2] = s.z;
  return t;
}

Transform rotate_x(float degrees) {
  const float c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
  Transform t;
  t.linear[1][1] = c;
  t.linear[1][2] = -s;
  t.linear[2][1] = s;
  t.linear[2][2] = c;
  return t;
}

Transform rotate_y(float degrees) {
  const float c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
  Transform t;
  t.linear[0][0] = c;
  t.linear[0][2] = s;
  t.linear[2][0] = -s;
  t.linear[2][2] = c;
  return t;
}

Transform rotate_z(float degrees) {
  const float c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
  Transform t;
  t.linear[0][0] = c;
  t.linear[0][1] = -s;
  t.linear[1][0] = s;
  t.linear[1][1] = c;
  return t;
}

Transform about(Vec3 pivot, const Transform& rotation) {
  return translate(pivot * -1.0f).then(rotation).then(translate(pivot));
}

Part box(Vec3 h, const UvRect& uv) {
  Part part;
  // Each face: normal, and the two in-plane axes that run along u (right) and v (down).
  struct Side {
    Vec3 normal, right, down;
  };
  const Side sides[6] = {
      {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}}, {{0, 0, 1}, {-1, 0, 0}, {0, -1, 0}},
      {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}},  {{-1, 0, 0}, {0, 0, -1}, {0, -1, 0}},
      {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
  };
  auto scaled = [&](Vec3 v) { return Vec3{v.x * h.x, v.y * h.y, v.z * h.z}; };
  for (const Side& side : sides) {
    std::vector<uint32_t> face;
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& c : corners) {
      const Vec3 p = scaled(side.normal + side.right * (c[0] * 2 - 1) + side.down * (c[1] * 2 - 1));
      face.push_back(index_of(part));
      part.vertices.push_back(vertex(p, side.normal, uv, c[0], c[1]));
    }
    part.faces.push_back(face);
  }
  return part;
}

Part tube(float r0, float r1, float len, int sides, const UvRect& uv, bool caps) {
  Part part;
  const float slope = (r0 - r1) / len;
  const uint32_t first = index_of(part);
  for (int i = 0; i <= sides; ++i) {
    const float a = 2 * kPi * static_cast<float>(i) / static_cast<float>(sides);
    const float c = std::cos(a), s = std::sin(a);
    const Vec3 n = normalized(Vec3{c, s, slope});
    const float u = static_cast<float>(i) / static_cast<float>(sides);
    part.vertices.push_back(vertex(Vec3{r0 * c, r0 * s, 0}, n, uv, u, 0));
    part.vertices.push_back(vertex(Vec3{r1 * c, r1 * s, len}, n, uv, u, 1));
  }
  for (int i = 0; i < sides; ++i) {
    const uint32_t a = first + 2 * i, b = a + 1, c = a + 2, d = a + 3;
    if (r1 < 1e-6f)
      part.faces.push_back({a, c, b});
    else if (r0 < 1e-6f)
      part.faces.push_back({a, d, b});
    else
      part.faces.push_back({a, c, d, b});
  }
  if (caps) {
    for (int end = 0; end < 2; ++end) {
      const float r = end == 0 ? r0 : r1;
      if (r < 1e-6f) continue;
      std::vector<Vec3> ring;
      std::vector<float> s, t;
      for (int i = 0; i < sides; ++i) {
        const float a = 2 * kPi * static_cast<float>(i) / static_cast<float>(sides);
        ring.push_back(Vec3{r * std::cos(a), r * std::sin(a), end == 0 ? 0.0f : len});
        s.push_back(0.5f + 0.5f * std::cos(a));
        t.push_back(0.5f + 0.5f * std::sin(a));
      }
      add_cap(part, ring, s, t, Vec3{0, 0, end == 0 ? -1.0f : 1.0f}, uv);
    }
  }
  return part;
}

Transform frame_along(Vec3 from, Vec3 to) {
  const Vec3 z = normalized(to - from);
  const Vec3 helper = std::fabs(z.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
  const Vec3 x = normalized(cross(helper, z));
  const Vec3 y = cross(z, x);
  Transform t;
  const Vec3 axes[3] = {x, y, z};
  for (int col = 0; col < 3; ++col) {
    t.linear[0][col] = axes[col].x;
    t.linear[1][col] = axes[col].y;
    t.linear[2][col] = axes[col].z;
  }
  t.offset = from;
  return t;
}

Part segment(Vec3 from, Vec3 to, float r0, float r1, int sides, const UvRect& uv, bool caps) {
  return transformed(tube(r0, r1, length(to - from), sides, uv, caps), frame_along(from, to));
}

Part ellipsoid(Vec3 radii, int slices, int stacks, const UvRect& uv, float fromLatitude, float toLatitude,
               bool close) {
  Part part;
  auto position = [&](float lat, float lon) {
    return Vec3{radii.x * std::cos(lat) * std::cos(lon), radii.y * std::sin(lat),
                radii.z * std::cos(lat) * std::sin(lon)};
  };
  auto normal_at = [&](Vec3 p) {
    return normalized(Vec3{p.x / (radii.x * radii.x), p.y / (radii.y * radii.y), p.z / (radii.z * radii.z)});
  };
  const uint32_t first = index_of(part);
  for (int j = 0; j <= stacks; ++j) {
    const float t = static_cast<float>(j) / static_cast<float>(stacks);
    const float lat = radians(toLatitude + (fromLatitude - toLatitude) * t);
    for (int i = 0; i <= slices; ++i) {
      const float s = static_cast<float>(i) / static_cast<float>(slices);
      const Vec3 p = position(lat, 2 * kPi * s);
      Vec3 n = normal_at(p);
      if (std::fabs(std::cos(lat)) < 1e-5f) n = Vec3{0, lat > 0 ? 1.0f : -1.0f, 0};
      part.vertices.push_back(vertex(p, n, uv, s, t));
    }
  }
  const uint32_t row = static_cast<uint32_t>(slices + 1);
  for (int j = 0; j < stacks; ++j) {
    const bool topPole = j == 0 && toLatitude >= 90.0f;
    const bool bottomPole = j == stacks - 1 && fromLatitude <= -90.0f;
    for (int i = 0; i < slices; ++i) {
      const uint32_t a = first + j * row + i, b = a + 1, c = a + row + 1, d = a + row;
      if (topPole)
        part.faces.push_back({a, c, d});
      else if (bottomPole)
        part.faces.push_back({a, b, d});
      else
        part.faces.push_back({a, b, c, d});
    }
  }
  if (close) {
    for (int end = 0; end < 2; ++end) {
      const float latDeg = end == 0 ? toLatitude : fromLatitude;
      if (std::fabs(latDeg) >= 90.0f) continue;
      std::vector<Vec3> ring;
      std::vector<float> s, t;
      for (int i = 0; i < slices; ++i) {
        const float lon = 2 * kPi * static_cast<float>(i) / static_cast<float>(slices);
        ring.push_back(position(radians(latDeg), lon));
        s.push_back(0.5f + 0.5f * std::cos(lon));
        t.push_back(0.5f + 0.5f * std::sin(lon));
      }
      add_cap(part, ring, s, t, Vec3{0, end == 0 ? 1.0f : -1.0f, 0}, uv);
    }
  }
  return part;
}

Part extrude(const std::vector<float>& xy, float depth, const UvRect& capUv, const UvRect& bandUv) {
  Part part;
  const size_t n = xy.size() / 2;
  float minX = xy[0], maxX = xy[0], minY = xy[1], maxY = xy[1];
  float perimeter = 0;
  for (size_t i = 0; i < n; ++i) {
    minX = std::min(minX, xy[2 * i]);
    maxX = std::max(maxX, xy[2 * i]);
    minY = std::min(minY, xy[2 * i + 1]);
    maxY = std::max(maxY, xy[2 * i + 1]);
    const size_t k = (i + 1) % n;
    perimeter += std::hypot(xy[2 * k] - xy[2 * i], xy[2 * k + 1] - xy[2 * i + 1]);
  }
  const float half = depth / 2;
  for (int end = 0; end < 2; ++end) {
    std::vector<Vec3> ring;
    std::vector<float> s, t;
    for (size_t i = 0; i < n; ++i) {
      ring.push_back(Vec3{xy[2 * i], xy[2 * i + 1], end == 0 ? -half : half});
      s.push_back((xy[2 * i] - minX) / (maxX - minX));
      t.push_back((maxY - xy[2 * i + 1]) / (maxY - minY));
    }
    add_cap(part, ring, s, t, Vec3{0, 0, end == 0 ? -1.0f : 1.0f}, capUv);
  }
  float along = 0;
  for (size_t i = 0; i < n; ++i) {
    const size_t k = (i + 1) % n;
    const Vec3 a{xy[2 * i], xy[2 * i + 1], 0}, b{xy[2 * k], xy[2 * k + 1], 0};
    const Vec3 edge = b - a;
    const Vec3 outward = normalized(Vec3{edge.y, -edge.x, 0});
    const float s0 = along / perimeter, s1 = (along + length(edge)) / perimeter;
    along += length(edge);
    const uint32_t base = index_of(part);
    part.vertices.push_back(vertex(Vec3{a.x, a.y, -half}, outward, bandUv, s0, 0));
    part.vertices.push_back(vertex(Vec3{b.x, b.y, -half}, outward, bandUv, s1, 0));
    part.vertices.push_back(vertex(Vec3{b.x, b.y, half}, outward, bandUv, s1, 1));
    part.vertices.push_back(vertex(Vec3{a.x, a.y, half}, outward, bandUv, s0, 1));
    part.faces.push_back({base, base + 1, base + 2, base + 3});
  }
  return part;
}

Part quad(float hw, float hh, const UvRect& uv) {
  Part part;
  const Vec3 n{0, 0, -1};
  part.vertices.push_back(vertex(Vec3{-hw, hh, 0}, n, uv, 0, 0));
  part.vertices.push_back(vertex(Vec3{hw, hh, 0}, n, uv, 1, 0));
  part.vertices.push_back(vertex(Vec3{hw, -hh, 0}, n, uv, 1, 1));
  part.vertices.push_back(vertex(Vec3{-hw, -hh, 0}, n, uv, 0, 1));
  part.faces.push_back({0, 1, 2, 3});
  return part;
}

Part transformed(Part part, const Transform& t) {
  for (MeshVertex& v : part.vertices) {
    v.position = t.point(v.position);
    v.normal = t.normal(v.normal);
  }
  return part;
}

void append(Part& into, const Part& from) {
  const uint32_t base = index_of(into);
  into.vertices.insert(into.vertices.end(), from.vertices.begin(), from.vertices.end());
  for (auto face : from.faces) {
    for (uint32_t& i : face) i += base;
    into.faces.push_back(face);
  }
}

void project_uv(Part& part, Vec3 uAxis, float uMin, float uMax, Vec3 vAxis, float vMin, float vMax,
                const UvRect& uv) {
  for (MeshVertex& v : part.vertices)
    set_uv(v, uv, (dot(v.position, uAxis) - uMin) / (uMax - uMin),
           (dot(v.position, vAxis) - vMin) / (vMax - vMin));
}

Vec3 two_bone_joint(Vec3 root, Vec3 end, float upper, float lower, Vec3 hint) {
  const Vec3 d = end - root;
  const Vec3 dir = normalized(d);
  const float reach = std::clamp(length(d), std::fabs(upper - lower) + 1e-4f, upper + lower - 1e-4f);
  const float a = (upper * upper - lower * lower + reach * reach) / (2 * reach);
  const float h = std::sqrt(std::max(0.0f, upper * upper - a * a));
  const Vec3 side = normalized(hint - dir * dot(hint, dir));
  return root + dir * a + side * h;
}

void Mesh::add(const Part& part, uint32_t material) {
  // Only the vertices some face uses (shapes leave a few behind at poles and tips).
  std::vector<int64_t> remap(part.vertices.size(), -1);
  for (const auto& f : part.faces)
    for (uint32_t i : f)
      if (remap[i] < 0) {
        remap[i] = static_cast<int64_t>(vertices.size());
        vertices.push_back(part.vertices[i]);
      }
  for (const auto& f : part.faces) {
    Face face{{}, material};
    // Newell's normal of the polygon as listed, against the normals its vertices carry.
    Vec3 geometric, carried;
    for (size_t i = 0; i < f.size(); ++i) {
      const Vec3 a = part.vertices[f[i]].position, b = part.vertices[f[(i + 1) % f.size()]].position;
      geometric =
          geometric + Vec3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
      carried = carried + part.vertices[f[i]].normal;
    }
    for (uint32_t i : f) face.indices.push_back(static_cast<uint32_t>(remap[i]));
    // Newell's sum points along cross(b - a, c - a) for the listed order, which in a left-handed
    // frame is the side from which the order looks clockwise.
    if (dot(geometric, carried) < 0) std::reverse(face.indices.begin(), face.indices.end());
    faces.push_back(face);
  }
  materialCount = std::max(materialCount, material + 1);
}

std::string x_file_text(const Mesh& mesh, const std::string& name) {
  std::string out;
  char line[160];
  auto put = [&](const char* format, auto... values) {
    std::snprintf(line, sizeof line, format, values...);
    out += line;
  };
  auto num = [](float v) { return static_cast<double>(v) + 0.0; };  // no "-0.000000"
  auto face_list = [&](const char* indent) {
    put("%s%zu;\n", indent, mesh.faces.size());
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
      const auto& f = mesh.faces[i].indices;
      put("%s%zu;", indent, f.size());
      for (size_t k = 0; k < f.size(); ++k) put(k + 1 < f.size() ? "%u," : "%u;", f[k]);
      out += i + 1 < mesh.faces.size() ? ",\n" : ";\n";
    }
  };
  auto round6 = [&](float v) {
    const double r = std::round(num(v) * 1e6) / 1e6;
    return r == 0.0 ? 0.0 : r;
  };
  const size_t n = mesh.vertices.size();
  out += "xof 0303txt 0032\n\n";
  put("Mesh %s {\n", name.c_str());
  put(" %zu;\n", n);
  for (size_t i = 0; i < n; ++i) {
    const Vec3 p = mesh.vertices[i].position;
    put(" %.6f;%.6f;%.6f;%s\n", round6(p.x), round6(p.y), round6(p.z), i + 1 < n ? "," : ";");
  }
  face_list(" ");
  out += "\n MeshNormals {\n";
  put("  %zu;\n", n);
  for (size_t i = 0; i < n; ++i) {
    const Vec3 v = mesh.vertices[i].normal;
    put("  %.6f;%.6f;%.6f;%s\n", round6(v.x), round6(v.y), round6(v.z), i + 1 < n ? "," : ";");
  }
  face_list("  ");
  out += " }\n\n MeshTextureCoords {\n";
  put("  %zu;\n", n);
  for (size_t i = 0; i < n; ++i)
    put("  %.6f;%.6f;%s\n", round6(mesh.vertices[i].u), round6(mesh.vertices[i].v), i + 1 < n ? "," : ";");
  out += " }\n\n MeshMaterialList {\n";
  put("  %u;\n", mesh.materialCount);
  put("  %zu;\n", mesh.faces.size());
  for (size_t i = 0; i < mesh.faces.size(); ++i)
    put("  %u%s\n", mesh.faces[i].material, i + 1 < mesh.faces.size() ? "," : ";");
  for (uint32_t m = 0; m < mesh.materialCount; ++m) {
    out += "\n  Material {\n";
    out += "   1.000000;1.000000;1.000000;1.000000;;\n";
    out += "   8.000000;\n";
    out += "   0.100000;0.100000;0.100000;;\n";
    out += "   0.000000;0.000000;0.000000;;\n";
    out += "  }\n";
  }
  out += " }\n}\n";
  return out;
}
