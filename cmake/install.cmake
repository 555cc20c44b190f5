# Installation rules (being written).
