// Building low-poly meshes from a few shapes and writing them as text .X files whose material ids
// are the subsets the game draws (one complete copy of a model per pose).
//
// Coordinates are the game's: left-handed, y up. Shapes come with their own texture coordinates
// mapped into a rectangle of the model's skin, and with normals; every face is turned so that it
// winds clockwise seen from the side its normals face (Direct3D's front).
#ifndef VORNEX_TOOLS_MESH_BUILDER_H
#define VORNEX_TOOLS_MESH_BUILDER_H

#include <cstdint>
#include <string>
#include <vector>

struct Vec3 {
  float x = 0, y = 0, z = 0;
};
Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float k);
float dot(Vec3 a, Vec3 b);
Vec3 cross(Vec3 a, Vec3 b);
float length(Vec3 a);
Vec3 normalized(Vec3 a);

// An affine transform p' = linear * p + offset (column vectors); `then` applies this one first.
struct Transform {
  float linear[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Vec3 offset;
  Vec3 point(Vec3 p) const;
  Vec3 normal(Vec3 n) const;  // by the inverse transpose, renormalised
  Transform then(const Transform& next) const;
};
Transform translate(Vec3 v);
Transform scale(Vec3 s);
// Rotations by an angle in degrees. rotate_y turns +x towards -z (the game's yaw: an entity with
// yaw a moves along (cos a, 0, -sin a)), rotate_z turns +x towards +y, rotate_x turns +y towards +z.
Transform rotate_x(float degrees);
Transform rotate_y(float degrees);
Transform rotate_z(float degrees);
// Rotation about an axis through a pivot.
Transform about(Vec3 pivot, const Transform& rotation);
// A frame at `from` whose +z runs towards `to` (x and y chosen square to it, y towards world up
// where possible).
Transform frame_along(Vec3 from, Vec3 to);

// A rectangle of a skin texture in pixels; the shape's texture coordinates stay half a pixel inside
// it, so that filtering never reaches the neighbouring region.
struct UvRect {
  float x0, y0, x1, y1;  // pixels
  int size;              // side of the (square) skin in pixels
};

struct MeshVertex {
  Vec3 position, normal;
  float u = 0, v = 0;
};

// A piece of geometry: vertices and convex polygon faces (indices into vertices).
struct Part {
  std::vector<MeshVertex> vertices;
  std::vector<std::vector<uint32_t>> faces;
};

// Shapes. Texture coordinates run over the whole rectangle, described per shape.
// Box centred on the origin; each face shows the whole rectangle.
Part box(Vec3 half, const UvRect& uv);
// Tube along +z from z = 0 to z = length with radius r0 at the start and r1 at the end, with flat
// caps; u goes around (seam at +x), v along the length. Caps map the disc into the rectangle.
Part tube(float r0, float r1, float length, int sides, const UvRect& uv, bool caps = true);
// Tube between two points.
Part segment(Vec3 from, Vec3 to, float r0, float r1, int sides, const UvRect& uv, bool caps = true);
// Ellipsoid band between two latitudes (degrees, -90 south pole to 90 north pole, y up); u goes
// around, v from the upper latitude down to the lower one. An open edge away from a pole is closed
// with a flat cap when `close` is set.
Part ellipsoid(Vec3 radii, int slices, int stacks, const UvRect& uv, float fromLatitude = -90,
               float toLatitude = 90, bool close = true);
// A convex polygon in the x-y plane (counter-clockwise), extruded from z = -depth/2 to +depth/2. The
// two caps map the polygon's bounding box into capUv; the band maps the perimeter to u and the
// depth to v of bandUv.
Part extrude(const std::vector<float>& xy, float depth, const UvRect& capUv, const UvRect& bandUv);
// A flat quad in the x-y plane, centred on the origin, showing the whole rectangle on both sides.
Part quad(float halfWidth, float halfHeight, const UvRect& uv);

Part transformed(Part part, const Transform& t);
void append(Part& into, const Part& from);
// Replaces texture coordinates by a projection: u from the position along uAxis, v along vAxis,
// each scaled from [min, max] to the rectangle.
void project_uv(Part& part, Vec3 uAxis, float uMin, float uMax, Vec3 vAxis, float vMin, float vMax,
                const UvRect& uv);

// Two bones from `root` to `end` with the given lengths; the joint is bent towards `hint`. Returns
// the joint position (the end is pulled in when out of reach).
Vec3 two_bone_joint(Vec3 root, Vec3 end, float upper, float lower, Vec3 hint);

// A whole mesh: parts with their material ids (the subsets).
struct Mesh {
  struct Face {
    std::vector<uint32_t> indices;
    uint32_t material;
  };
  std::vector<MeshVertex> vertices;
  std::vector<Face> faces;
  uint32_t materialCount = 0;  // ids 0 .. materialCount-1; ids without faces stay empty subsets
  void add(const Part& part, uint32_t material);
};

// The text .X form of the mesh ("xof 0303txt 0032"): one Mesh with MeshNormals,
// MeshTextureCoords and MeshMaterialList with materialCount white materials.
std::string x_file_text(const Mesh& mesh, const std::string& name);

#endif  // VORNEX_TOOLS_MESH_BUILDER_H
