// D3DX 9 math on Linux: D3DX's conventions (row vectors, left-handed, depth 0..1), the
// matrix helpers against hand-computed values, and the matrix stack's multiplication order.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr float kTolerance = 1e-5f;

void ExpectVectorNear(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual) {
  EXPECT_NEAR(expected.x, actual.x, kTolerance);
  EXPECT_NEAR(expected.y, actual.y, kTolerance);
  EXPECT_NEAR(expected.z, actual.z, kTolerance);
}

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual) {
  for (UINT row = 0; row < 4; ++row)
    for (UINT col = 0; col < 4; ++col)
      EXPECT_NEAR(expected(row, col), actual(row, col), kTolerance) << "at row " << row << ", col " << col;
}

D3DXVECTOR3 Transformed(D3DXVECTOR3 point, const D3DXMATRIX& m) {
  D3DXVec3TransformCoord(&point, &point, &m);
  return point;
}

D3DXMATRIX YawPitchRoll(float yaw, float pitch, float roll) {
  D3DXMATRIX m;
  D3DXMatrixRotationYawPitchRoll(&m, yaw, pitch, roll);
  return m;
}

// Two matrices that do not commute.
const D3DXMATRIX kA(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
const D3DXMATRIX kB(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 2, 0, 3, 4, 5, 1);

}  // namespace

// ---- vectors ----

TEST(D3dx9Vector, OperatorsWorkComponentWise) {
  const D3DXVECTOR3 a(1, 2, 3);
  const D3DXVECTOR3 b(4, -5, 6);
  EXPECT_TRUE(a + b == D3DXVECTOR3(5, -3, 9));
  EXPECT_TRUE(a - b == D3DXVECTOR3(-3, 7, -3));
  EXPECT_TRUE(2.0f * a == a * 2.0f);
  EXPECT_TRUE(b / 2.0f == D3DXVECTOR3(2, -2.5f, 3));
  EXPECT_TRUE(-a == D3DXVECTOR3(-1, -2, -3));
  EXPECT_TRUE(a != b);
  D3DXVECTOR3 c = a;
  c += b;
  c *= 2.0f;
  EXPECT_TRUE(c == D3DXVECTOR3(10, -6, 18));
  const FLOAT* as_floats = a;
  EXPECT_EQ(3.0f, as_floats[2]);

  const D3DXVECTOR4 v(1, 2, 3, 4);
  EXPECT_TRUE(v * 2.0f - v == v);
  EXPECT_TRUE(0.5f * v == D3DXVECTOR4(0.5f, 1, 1.5f, 2));
}

TEST(D3dx9Vector, CrossProductMayWriteOverAnInput) {
  D3DXVECTOR3 a(1, 2, 3);
  D3DXVECTOR3 b(4, 5, 6);
  D3DXVec3Cross(&a, &a, &b);
  ExpectVectorNear(D3DXVECTOR3(-3, 6, -3), a);

  D3DXVECTOR3 x(1, 0, 0);
  D3DXVECTOR3 y(0, 1, 0);
  D3DXVec3Cross(&y, &x, &y);
  ExpectVectorNear(D3DXVECTOR3(0, 0, 1), y);  // left-handed basis: x cross y = z
}

TEST(D3dx9Vector, NormalizeGivesUnitLengthAndZeroStaysZero) {
  D3DXVECTOR3 v(3, 4, 0);
  EXPECT_FLOAT_EQ(5.0f, D3DXVec3Length(&v));
  D3DXVec3Normalize(&v, &v);
  ExpectVectorNear(D3DXVECTOR3(0.6f, 0.8f, 0), v);

  const D3DXVECTOR3 zero(0, 0, 0);
  D3DXVECTOR3 out(7, 7, 7);
  EXPECT_EQ(&out, D3DXVec3Normalize(&out, &zero));
  EXPECT_TRUE(out == zero);
}

TEST(D3dx9Vector, Vec4NormalizeUsesAllFourComponents) {
  const D3DXVECTOR4 v(1, 2, 2, 4);
  D3DXVECTOR4 out;
  D3DXVec4Normalize(&out, &v);
  EXPECT_NEAR(0.2f, out.x, kTolerance);
  EXPECT_NEAR(0.4f, out.y, kTolerance);
  EXPECT_NEAR(0.4f, out.z, kTolerance);
  EXPECT_NEAR(0.8f, out.w, kTolerance);

  const D3DXVECTOR4 zero(0, 0, 0, 0);
  D3DXVec4Normalize(&out, &zero);
  EXPECT_TRUE(out == zero);
}

// ---- matrices ----

TEST(D3dx9Matrix, ElementsAreRowMajor) {
  EXPECT_EQ(8.0f, kA(1, 3));
  EXPECT_EQ(8.0f, kA._24);
  EXPECT_EQ(8.0f, static_cast<const FLOAT*>(kA)[7]);
  D3DXMATRIX translation;
  D3DXMatrixTranslation(&translation, 1, 2, 3);
  EXPECT_EQ(2.0f, translation._42);  // translation lives in the fourth row
  EXPECT_FLOAT_EQ(D3DX_PI, D3DXToRadian(180.0f));
}

TEST(D3dx9Matrix, MultiplyIsRowTimesColumnAndMayWriteOverEitherInput) {
  const D3DXMATRIX product = kA * kB;
  // Row 2 of kA (9 10 11 12) times each column of kB.
  EXPECT_FLOAT_EQ(9 * 0 + 10 * -1 + 11 * 0 + 12 * 3, product(2, 0));
  EXPECT_FLOAT_EQ(9 * 1 + 10 * 0 + 11 * 0 + 12 * 4, product(2, 1));
  EXPECT_FLOAT_EQ(11 * 2 + 12 * 5, product(2, 2));
  EXPECT_FLOAT_EQ(12, product(2, 3));

  D3DXMATRIX left = kA;
  D3DXMatrixMultiply(&left, &left, &kB);
  EXPECT_TRUE(left == product);
  D3DXMATRIX right = kB;
  D3DXMatrixMultiply(&right, &kA, &right);
  EXPECT_TRUE(right == product);
  D3DXMATRIX accumulated = kA;
  accumulated *= kB;
  EXPECT_TRUE(accumulated == product);
}

TEST(D3dx9Matrix, TranslationAndScalingActOnRowVectors) {
  D3DXMATRIX scale, move;
  D3DXMatrixScaling(&scale, 2, 3, 4);
  D3DXMatrixTranslation(&move, 10, 20, 30);
  // scale * move: scaled first, then moved.
  ExpectVectorNear(D3DXVECTOR3(12, 23, 34), Transformed(D3DXVECTOR3(1, 1, 1), scale * move));
}

TEST(D3dx9Matrix, RotationYTurnsXTowardMinusZ) {
  D3DXMATRIX rotation;
  D3DXMatrixRotationY(&rotation, D3DX_PI / 2);
  ExpectVectorNear(D3DXVECTOR3(0, 0, -1), Transformed(D3DXVECTOR3(1, 0, 0), rotation));
  ExpectVectorNear(D3DXVECTOR3(1, 0, 0), Transformed(D3DXVECTOR3(0, 0, 1), rotation));
}

TEST(D3dx9Matrix, YawPitchRollAppliesRollThenPitchThenYaw) {
  // Each alone.
  ExpectVectorNear(D3DXVECTOR3(0, 1, 0), Transformed(D3DXVECTOR3(1, 0, 0), YawPitchRoll(0, 0, D3DX_PI / 2)));
  ExpectVectorNear(D3DXVECTOR3(0, 0, 1), Transformed(D3DXVECTOR3(0, 1, 0), YawPitchRoll(0, D3DX_PI / 2, 0)));
  // Pitch before yaw: up tips forward to +z, then yaw turns +z to +x.
  ExpectVectorNear(D3DXVECTOR3(1, 0, 0),
                   Transformed(D3DXVECTOR3(0, 1, 0), YawPitchRoll(D3DX_PI / 2, D3DX_PI / 2, 0)));
  // Roll before yaw: x rolls to +y, which yaw leaves alone.
  ExpectVectorNear(D3DXVECTOR3(0, 1, 0),
                   Transformed(D3DXVECTOR3(1, 0, 0), YawPitchRoll(D3DX_PI / 2, 0, D3DX_PI / 2)));
  // General angles: the same as the three single rotations in that order.
  ExpectMatrixNear(YawPitchRoll(0, 0, 0.3f) * YawPitchRoll(0, -0.7f, 0) * YawPitchRoll(1.1f, 0, 0),
                   YawPitchRoll(1.1f, -0.7f, 0.3f));
}

TEST(D3dx9Matrix, LookAtLHMovesTheEyeToTheOriginLookingDownPlusZ) {
  const D3DXVECTOR3 eye(0, 0, -2), at(0, 0, -1.5f), up(0, 1, 0);
  D3DXMATRIX view;
  EXPECT_EQ(&view, D3DXMatrixLookAtLH(&view, &eye, &at, &up));
  ExpectMatrixNear(D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 2, 1), view);

  // Looking along +x from (5, 1, 0): +z in the world is on the viewer's left.
  const D3DXVECTOR3 side_eye(5, 1, 0), side_at(6, 1, 0);
  D3DXMatrixLookAtLH(&view, &side_eye, &side_at, &up);
  ExpectVectorNear(D3DXVECTOR3(0, 0, 3), Transformed(D3DXVECTOR3(8, 1, 0), view));
  ExpectVectorNear(D3DXVECTOR3(-1, 2, 0), Transformed(D3DXVECTOR3(5, 3, 1), view));
}

TEST(D3dx9Matrix, PerspectiveFovLHMapsNearToZeroAndFarToOne) {
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 1.0f, 0.1f, 15.0f);
  const float scale = 1.0f / std::tan(D3DX_PI / 8);  // 2.41421
  ExpectMatrixNear(D3DXMATRIX(scale, 0, 0, 0, 0, scale, 0, 0, 0, 0, 15.0f / 14.9f, 1, 0, 0, -1.5f / 14.9f, 0),
                   projection);

  EXPECT_NEAR(0.0f, Transformed(D3DXVECTOR3(0, 0, 0.1f), projection).z, kTolerance);
  EXPECT_NEAR(1.0f, Transformed(D3DXVECTOR3(0, 0, 15.0f), projection).z, kTolerance);
  // The top edge of the field of view lands on y = 1.
  EXPECT_NEAR(1.0f, Transformed(D3DXVECTOR3(0, 4 * std::tan(D3DX_PI / 8), 4), projection).y, kTolerance);

  D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 2.0f, 0.1f, 15.0f);
  EXPECT_NEAR(scale / 2, projection._11, kTolerance);  // wider aspect narrows x
}

// ---- the matrix stack ----

class D3dx9MatrixStack : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(S_OK, D3DXCreateMatrixStack(0, &stack_)); }
  void TearDown() override { stack_->Release(); }

  D3DXVECTOR3 TopApplied(const D3DXVECTOR3& point) { return Transformed(point, *stack_->GetTop()); }

  ID3DXMatrixStack* stack_ = nullptr;
};

TEST_F(D3dx9MatrixStack, StartsWithOneIdentityThatPopKeeps) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_TRUE(*stack_->GetTop() == identity);
  EXPECT_EQ(S_OK, stack_->Pop());  // the last entry stays
  ASSERT_NE(nullptr, stack_->GetTop());
  EXPECT_TRUE(*stack_->GetTop() == identity);
}

TEST(D3dx9MatrixStackCreate, RefusesANullOutPointer) {
  EXPECT_EQ(E_INVALIDARG, D3DXCreateMatrixStack(0, nullptr));
}

TEST_F(D3dx9MatrixStack, CountsReferences) {
  EXPECT_EQ(2u, stack_->AddRef());
  EXPECT_EQ(1u, stack_->Release());
}

TEST_F(D3dx9MatrixStack, LocalOperationsApplyBeforeTheTop) {
  stack_->TranslateLocal(1, 0, 0);
  stack_->ScaleLocal(2, 2, 2);  // top = scale * translate: scaled, then moved
  ExpectVectorNear(D3DXVECTOR3(3, 0, 0), TopApplied(D3DXVECTOR3(1, 0, 0)));

  stack_->LoadIdentity();
  stack_->Translate(0, 0, 5);
  stack_->RotateYawPitchRollLocal(D3DX_PI / 2, 0, 0);  // turned in place, then moved
  ExpectVectorNear(D3DXVECTOR3(0, 0, 4), TopApplied(D3DXVECTOR3(1, 0, 0)));

  stack_->LoadMatrix(&kA);
  stack_->MultMatrixLocal(&kB);
  ExpectMatrixNear(kB * kA, *stack_->GetTop());
}

TEST_F(D3dx9MatrixStack, PlainOperationsApplyAfterTheTop) {
  stack_->Translate(1, 0, 0);
  stack_->Scale(2, 2, 2);  // top = translate * scale: moved, then scaled
  ExpectVectorNear(D3DXVECTOR3(4, 0, 0), TopApplied(D3DXVECTOR3(1, 0, 0)));

  stack_->LoadIdentity();
  stack_->Translate(0, 0, 5);
  stack_->RotateYawPitchRoll(D3DX_PI / 2, 0, 0);  // moved, then turned about the origin
  ExpectVectorNear(D3DXVECTOR3(5, 0, -1), TopApplied(D3DXVECTOR3(1, 0, 0)));

  stack_->LoadMatrix(&kA);
  stack_->MultMatrix(&kB);
  ExpectMatrixNear(kA * kB, *stack_->GetTop());
}

TEST_F(D3dx9MatrixStack, PushDuplicatesTheTopAndPopRestoresIt) {
  stack_->Translate(1, 2, 3);
  std::vector<D3DXMATRIX> pushed;
  for (int depth = 0; depth < 40; ++depth) {  // deep enough to make the stack grow
    pushed.push_back(*stack_->GetTop());
    EXPECT_EQ(S_OK, stack_->Push());
    EXPECT_TRUE(*stack_->GetTop() == pushed.back());
    stack_->ScaleLocal(2, 2, 2);
    EXPECT_TRUE(*stack_->GetTop() != pushed.back());
  }
  for (int depth = 39; depth >= 0; --depth) {
    EXPECT_EQ(S_OK, stack_->Pop());
    EXPECT_TRUE(*stack_->GetTop() == pushed[depth]) << "at depth " << depth;
  }
}
