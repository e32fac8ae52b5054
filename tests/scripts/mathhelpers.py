# Comparisons shared by the math test scripts. The math types keep single-precision components,
# so results are compared with a tolerance; components are read back through the operations the
# scripts can reach (the vector's components are not attributes).
from Tolvarine import Vector3

EPSILON = 1e-5


def close(a, b, epsilon=EPSILON):
    return abs(a - b) <= epsilon


def components(v):
    return (v.dotProduct(Vector3.UNIT_X), v.dotProduct(Vector3.UNIT_Y), v.dotProduct(Vector3.UNIT_Z))


def same_vector(u, v, epsilon=EPSILON):
    return (u - v).length() <= epsilon


def same_quaternion(p, q, epsilon=EPSILON):
    return (close(p.w, q.w, epsilon) and close(p.x, q.x, epsilon)
            and close(p.y, q.y, epsilon) and close(p.z, q.z, epsilon))


def raises(error, action):
    try:
        action()
    except error:
        return True
    return False
