// The .X text reader: subsets per triangle, fan triangulation, normals and texture coordinates,
// flattened frames, merged meshes, and clean failures on every kind of malformed file.
#include "d3dx9/xfile_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr float kTolerance = 1e-5f;

XMeshData ParseOrFail(const std::string& text) {
  XMeshData mesh;
  std::string error;
  EXPECT_TRUE(parse_x_text(text.data(), text.size(), &mesh, &error)) << error;
  return mesh;
}

std::string ParseError(const std::string& text) {
  XMeshData mesh;
  std::string error;
  EXPECT_FALSE(parse_x_text(text.data(), text.size(), &mesh, &error)) << "accepted:\n" << text;
  EXPECT_TRUE(mesh.vertices.empty() && mesh.indices.empty());
  return error;
}

void ExpectPosition(const XVertex& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, kTolerance);
  EXPECT_NEAR(v.y, y, kTolerance);
  EXPECT_NEAR(v.z, z, kTolerance);
}

void ExpectNormal(const XVertex& v, float x, float y, float z) {
  EXPECT_NEAR(v.nx, x, kTolerance);
  EXPECT_NEAR(v.ny, y, kTolerance);
  EXPECT_NEAR(v.nz, z, kTolerance);
}

const char kHeader[] = "xof 0303txt 0032\n";

// A quad and a triangle with two materials: the first by reference to a top-level Material,
// the second inline. Comments, a template and unknown objects are skipped on the way.
const std::string kTwoMaterials = std::string(kHeader) + R"(
# exported by hand
template Mesh {
 <3D82AB44-62DA-11cf-AB39-0020AF71E433>
 DWORD nVertices;
 array Vector vertices[nVertices];
 [...]
}
Header { 1; 0; 1; }
Material Red {
 1.0;0.0;0.0;1.0;;
 5.0;
 0.5;0.5;0.5;;
 0.0;0.0;0.25;;
 TextureFilename { "red.png"; }
}
Mesh Shape {
 5;
 0.0;0.0;0.0;,  // vertex 0
 1.0;0.0;0.0;,
 1.0;1.0;0.0;,
 0.0;1.0;0.0;,
 2.0;0.0;0.0;;
 2;
 4;0,1,2,3;,
 3;1,4,2;;
 VertexDuplicationIndices { 5; 5; 0,1,2,3,4; }
 MeshMaterialList {
  2;
  2;
  1,
  0;;
  { Red }
  Material Blue {
   0.0;0.0;1.0;0.5;;
   1.0;
   0.0;0.0;0.0;;
   0.0;0.0;0.0;;
  }
 }
}
)";

// A triangle whose body is replaced by the caller's text, for the malformed cases.
std::string Mesh(const std::string& body) { return std::string(kHeader) + "Mesh {\n" + body + "\n}\n"; }
const char kTriangle[] = "3; 0;0;0;, 1;0;0;, 0;1;0;;\n 1; 3;0,1,2;;\n";

TEST(XFileParser, EachTriangleCarriesItsFacesMaterial) {
  const XMeshData mesh = ParseOrFail(kTwoMaterials);
  ASSERT_EQ(mesh.vertices.size(), 5u);
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 1, 4, 2}));
  EXPECT_EQ(mesh.faceAttributes, (std::vector<uint32_t>{1, 1, 0}));
  ASSERT_EQ(mesh.materials.size(), 2u);

  const XMaterial& red = mesh.materials[0];
  EXPECT_FLOAT_EQ(red.diffuse.r, 1.0f);
  EXPECT_FLOAT_EQ(red.diffuse.g, 0.0f);
  EXPECT_FLOAT_EQ(red.diffuse.a, 1.0f);
  EXPECT_FLOAT_EQ(red.power, 5.0f);
  EXPECT_FLOAT_EQ(red.specular.g, 0.5f);
  EXPECT_FLOAT_EQ(red.emissive.b, 0.25f);
  EXPECT_EQ(red.textureFile, "red.png");

  const XMaterial& blue = mesh.materials[1];
  EXPECT_FLOAT_EQ(blue.diffuse.b, 1.0f);
  EXPECT_FLOAT_EQ(blue.diffuse.a, 0.5f);
  EXPECT_TRUE(blue.textureFile.empty());
  EXPECT_FALSE(mesh.hasNormals);
  EXPECT_FALSE(mesh.hasTexCoords);
}

TEST(XFileParser, NGonsTriangulateAsFansAndAMeshWithoutMaterialsGetsADefault) {
  const XMeshData mesh = ParseOrFail(Mesh(R"(
    6; 0;0;0;, 1;0;0;, 2;1;0;, 1;2;0;, 0;2;0;, -1;1;0;;
    3;
    5; 0,1,2,3,4;,
    6; 0,1,2,3,4,5;,
    3; 5,4,3;;)"));
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4,           // pentagon
                                                 0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5,  // hexagon
                                                 5, 4, 3}));
  EXPECT_EQ(mesh.faceAttributes, std::vector<uint32_t>(8, 0));
  ASSERT_EQ(mesh.materials.size(), 1u);
  EXPECT_FLOAT_EQ(mesh.materials[0].diffuse.r, 1.0f);
  EXPECT_TRUE(mesh.materials[0].textureFile.empty());
}

TEST(XFileParser, SeparatorsMayBeDoubledMixedOrLeftOut) {
  const XMeshData mesh =
      ParseOrFail(Mesh("3;; 0 0 0 ,, 1;0;0;; 0,1,0;,; 1 3 0 1 2 ;;; MeshMaterialList { 1 1 0 "
                       "Material { 1 1 1 1 0 0 0 0 0 0 0 } }"));
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2}));
  ExpectPosition(mesh.vertices[2], 0.0f, 1.0f, 0.0f);
}

TEST(XFileParser, PerVertexNormalsAndTextureCoordinatesComeThrough) {
  const XMeshData mesh = ParseOrFail(Mesh(R"(
    4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;
    1; 4;0,1,2,3;;
    MeshTextureCoords { 4; 0.0;1.0;, 1.0;1.0;, 1.0;0.0;, 0.0;0.25;; }
    MeshNormals { 4; 0;0;-1;, 0;1;0;, 1;0;0;, 0;0;1;; 1; 4;0,1,2,3;; })"));
  ASSERT_EQ(mesh.vertices.size(), 4u);
  EXPECT_TRUE(mesh.hasNormals);
  EXPECT_TRUE(mesh.hasTexCoords);
  ExpectNormal(mesh.vertices[0], 0, 0, -1);
  ExpectNormal(mesh.vertices[1], 0, 1, 0);
  ExpectNormal(mesh.vertices[3], 0, 0, 1);
  EXPECT_FLOAT_EQ(mesh.vertices[1].u, 1.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[2].v, 0.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[3].v, 0.25f);
}

TEST(XFileParser, AVertexWithSeveralNormalsIsSplit) {
  // Two triangles folded along the edge 0-2, each with its own face normal.
  const XMeshData mesh = ParseOrFail(Mesh(R"(
    4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;1;;
    2; 3;0,1,2;, 3;0,2,3;;
    MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; }
    MeshNormals { 2; 0;0;-1;, 0;-0.6;0.8;; 2; 3;0,0,0;, 3;1,1,1;; })"));
  ASSERT_EQ(mesh.vertices.size(), 6u);  // vertices 0 and 2 once more with the second normal
  ASSERT_EQ(mesh.indices.size(), 6u);
  for (int corner = 0; corner < 3; ++corner) ExpectNormal(mesh.vertices[mesh.indices[corner]], 0, 0, -1);
  for (int corner = 3; corner < 6; ++corner)
    ExpectNormal(mesh.vertices[mesh.indices[corner]], 0, -0.6f, 0.8f);
  // The copies keep their position and texture coordinates.
  const XVertex& copyOfFirst = mesh.vertices[mesh.indices[3]];
  const XVertex& copyOfThird = mesh.vertices[mesh.indices[4]];
  EXPECT_NE(mesh.indices[3], 0u);
  ExpectPosition(copyOfFirst, 0, 0, 0);
  ExpectPosition(copyOfThird, 1, 1, 0);
  EXPECT_FLOAT_EQ(copyOfThird.u, 1.0f);
  EXPECT_FLOAT_EQ(copyOfThird.v, 1.0f);
  EXPECT_EQ(mesh.indices[5], 3u);
}

TEST(XFileParser, NestedFrameTransformsApplyInnermostFirst) {
  // Outer frame: 90 degrees about z (x -> y); inner frame: translation by (1, 0, 0). A mesh
  // outside every frame stays where it is.
  const XMeshData mesh = ParseOrFail(std::string(kHeader) + R"(
Frame Outer {
  FrameTransformMatrix { 0,1,0,0, -1,0,0,0, 0,0,1,0, 0,0,0,1;; }
  Frame Inner {
    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,0,0,1;; }
    Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;
           MeshNormals { 1; 1;0;0;; 1; 3;0,0,0;; } }
  }
}
Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
)");
  ASSERT_EQ(mesh.vertices.size(), 6u);
  ExpectPosition(mesh.vertices[0], 0, 1, 0);  // (0,0,0) + (1,0,0), then turned
  ExpectPosition(mesh.vertices[1], 0, 2, 0);
  ExpectPosition(mesh.vertices[2], -1, 1, 0);
  ExpectNormal(mesh.vertices[0], 0, 1, 0);  // turned, not moved
  ExpectPosition(mesh.vertices[4], 1, 0, 0);
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
}

TEST(XFileParser, NormalsFollowTheInverseTransposeOfAScaledFrame) {
  const XMeshData mesh = ParseOrFail(std::string(kHeader) + R"(
Frame { FrameTransformMatrix { 2,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
  Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;;
         MeshNormals { 1; 0.70710678;0.70710678;0;; 1; 3;0,0,0;; } } }
)");
  ExpectPosition(mesh.vertices[0], 2, 0, 0);
  // A surface stretched along x tilts its normal toward y: (0.5, 1, 0) normalised.
  ExpectNormal(mesh.vertices[0], 0.4472136f, 0.8944272f, 0);
}

TEST(XFileParser, SeveralMeshesMergeWithOffsetIndicesAndMaterials) {
  const XMeshData mesh = ParseOrFail(std::string(kHeader) + R"(
Mesh A { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;
  MeshMaterialList { 1; 1; 0;; Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; } } }
Mesh B { 4; 0;0;1;, 1;0;1;, 1;1;1;, 0;1;1;; 2; 3;0,1,2;, 3;0,2,3;;
  MeshMaterialList { 2; 2; 1, 0;;
    Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; }
    Material { 0;0;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "b.png"; } } } }
)");
  ASSERT_EQ(mesh.vertices.size(), 7u);
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 3, 5, 6}));
  EXPECT_EQ(mesh.faceAttributes, (std::vector<uint32_t>{0, 2, 1}));
  ASSERT_EQ(mesh.materials.size(), 3u);
  EXPECT_FLOAT_EQ(mesh.materials[1].diffuse.g, 1.0f);
  EXPECT_EQ(mesh.materials[2].textureFile, "b.png");
}

TEST(XFileParser, OtherFormsAndVersionsAreRefused) {
  EXPECT_NE(ParseError("xof 0303bin 0032 ....").find("binary"), std::string::npos);
  EXPECT_NE(ParseError("xof 0303tzip0032 ....").find("compressed"), std::string::npos);
  EXPECT_NE(ParseError("xof 0303bzip0032 ....").find("compressed"), std::string::npos);
  EXPECT_NE(ParseError("xof 0302txt 0032\nMesh{}").find("version"), std::string::npos);
  EXPECT_NE(ParseError("ply\nformat ascii").find("not a DirectX"), std::string::npos);
  EXPECT_NE(ParseError("").find("not a DirectX"), std::string::npos);
}

struct MalformedCase {
  const char* what;
  std::string text;
  const char* message;  // part of the expected error
};

TEST(XFileParser, MalformedFilesFailWithAMessage) {
  const std::string nested = [] {
    std::string text = kHeader;
    for (int i = 0; i < 40; ++i) text += "Frame {\n";
    return text + std::string(40, '}');
  }();
  const std::string deepUnknown = std::string(kHeader) + "Stuff " + std::string(100000, '{');
  const MalformedCase cases[] = {
      {"fewer vertices than counted", Mesh("4; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"), ""},
      {"more faces than counted", Mesh("3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;, 3;0,1,2;;"),
       "expected an object"},
      {"index past the vertex count", Mesh("3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;;"),
       "vertex index 3 is out of range"},
      {"absurd vertex count", Mesh("4000000000; 0;0;0;;"), "more than the rest of the file"},
      {"absurd face count", Mesh("3; 0;0;0;, 1;0;0;, 0;1;0;; 99999999; 3;0,1,2;;"), "more than the rest"},
      {"count past 32 bits", Mesh("99999999999; 0;0;0;;"), "number too large"},
      {"negative count", Mesh("-3; 0;0;0;, 1;0;0;, 0;1;0;;"), "expected a whole number"},
      {"face with two indices", Mesh("3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;;"), "at least 3"},
      {"material index past the list",
       Mesh(std::string(kTriangle) +
            "MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }"),
       "material index 1 is out of range"},
      {"material ids for fewer faces",
       Mesh("3; 0;0;0;, 1;0;0;, 0;1;0;; 2; 3;0,1,2;, 3;2,1,0;; MeshMaterialList "
            "{ 1; 3; 0,0,0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }"),
       "3 face indices"},
      {"fewer Material objects than counted", Mesh(std::string(kTriangle) + "MeshMaterialList { 2; 1; 1;; }"),
       "names 2 materials but holds 0"},
      {"more Material objects than counted",
       Mesh(std::string(kTriangle) + "MeshMaterialList { 1; 1; 0;; {A} {B} }"), "more Material objects"},
      {"reference to no Material",
       Mesh(std::string(kTriangle) + "MeshMaterialList { 1; 1; 0;; { Nowhere } }"),
       "no top-level Material named 'Nowhere'"},
      {"normal index past the normals",
       Mesh(std::string(kTriangle) + "MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; }"),
       "normal index 1 is out of range"},
      {"normal faces not the mesh faces",
       Mesh(std::string(kTriangle) + "MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;; }"), "MeshNormals has 2 faces"},
      {"normal face of another size",
       Mesh(std::string(kTriangle) + "MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; }"), "has 4 indices"},
      {"texture coordinates for fewer vertices",
       Mesh(std::string(kTriangle) + "MeshTextureCoords { 2; 0;0;, 1;1;; }"),
       "MeshTextureCoords has 2 entries"},
      {"unterminated texture name",
       Mesh(std::string(kTriangle) + "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; "
                                     "TextureFilename { \"a.png; } } }"),
       "unterminated string"},
      {"texture name too long",
       Mesh(std::string(kTriangle) +
            "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; "
            "TextureFilename { \"" +
            std::string(300, 'a') + "\"; } } }"),
       "too long"},
      {"number out of range", Mesh("3; 1e999;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"), "out of range"},
      {"malformed number", Mesh("3; 1.0.0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"), "malformed number"},
      {"nesting too deep", nested, "nested too deeply"},
      {"endless unknown nesting", deepUnknown, "expected '}'"},
      {"no faces at all", std::string(kHeader) + "Frame { }", "no mesh faces"},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string error = ParseError(c.text);
    EXPECT_NE(error.find(c.message), std::string::npos) << "error: " << error;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << "error: " << error;
  }
}

TEST(XFileParser, EveryTruncationOfAValidFileFails) {
  const size_t lastBrace = kTwoMaterials.rfind('}');
  for (size_t length = 0; length < lastBrace; ++length) {
    // A copy of exactly `length` bytes, so that reading past the end is caught by the sanitizers.
    const std::vector<char> prefix(kTwoMaterials.begin(), kTwoMaterials.begin() + length);
    XMeshData mesh;
    std::string error;
    ASSERT_FALSE(parse_x_text(prefix.data(), prefix.size(), &mesh, &error))
        << "accepted " << length << " bytes";
    ASSERT_FALSE(error.empty());
  }
}

TEST(XFileParser, LoadingAMissingFileNamesIt) {
  XMeshData mesh;
  std::string error;
  EXPECT_FALSE(load_x_file("no-such-dir/Missing.X", &mesh, &error));
  EXPECT_EQ(error.rfind("no-such-dir/Missing.X: ", 0), 0u) << error;
}

}  // namespace
