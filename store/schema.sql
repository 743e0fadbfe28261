-- The working database: scratch storage for the rows the windows show,
-- emptied at every start. One table per kind of child window, all of the
-- same shape. RecNo is the primary key, so rows come in numeric RecNo order.
CREATE TABLE MeaData (
  NDate    TEXT,
  NTime    TEXT,
  MeaValue TEXT,
  Weight   TEXT,
  RecNo    INTEGER PRIMARY KEY
);
CREATE TABLE GetRecorde (
  NDate    TEXT,
  NTime    TEXT,
  MeaValue TEXT,
  Weight   TEXT,
  RecNo    INTEGER PRIMARY KEY
);
CREATE TABLE LoadData (
  NDate    TEXT,
  NTime    TEXT,
  MeaValue TEXT,
  Weight   TEXT,
  RecNo    INTEGER PRIMARY KEY
);
