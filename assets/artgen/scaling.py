"""Display scales: the sizes and names of the pictures drawn for them."""
from fractions import Fraction


def scaled(length, percent):
    """A length of the 100 % artwork at `percent`, rounded half to even (62.5 gives 62)."""
    return round(Fraction(length * percent, 100))


def scaled_name(name, percent, extension=None):
    """'walk_sheet.jpg' at 200 % is 'walk_sheet@200.jpg'; the 100 % name stays as it is."""
    stem, _, old = name.rpartition('.')
    return name if percent == 100 else '%s@%d.%s' % (stem, percent, extension or old)
