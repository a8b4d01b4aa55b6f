#include "world/entity.h"

void Entity::update_entity(float dt) {
  velocity += acceleration * dt;
  angularVelocity += angularAcceleration * dt;
  scaleVelocity += scaleAcceleration * dt;
  position += velocity;
  rotation += angularVelocity;
  scale += scaleVelocity;
  if (model) model->advance_model(dt);
}
